#include "installer/install_files.h"

#include <algorithm>

#include "core/file_io.h"
#include "core/text_codec.h"
#include "pe/pe_image.h"

namespace qxpack {

namespace fs = std::filesystem;

namespace {

std::u16string lowerCase(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return text;
}

}  // namespace

// The runtime's JVM library must be one the launcher (of `machine`) can load.
bool checkRuntimeLibrary(const fs::path& runtime, uint16_t machine, std::string& error) {
    for (const char* kind : {"server", "client"}) {
        const fs::path library = runtime / "bin" / kind / "jvm.dll";
        Bytes bytes;
        std::string readError;
        if (!fs::is_regular_file(library) || !readFile(library.u8string(), bytes, readError)) continue;
        PeImage image;
        PeAcceptance any;
        any.allowI386 = true;
        std::string peError;
        const std::string shown = "runtime " + runtime.u8string() + ": bin\\" + kind + "\\jvm.dll";
        if (!parsePeImage(std::move(bytes), any, image, peError)) {
            error = shown + " is not a Windows library: " + peError;
            return false;
        }
        if (image.machine == kMachineI386 && machine == kMachineAmd64) {
            error = shown + " is a 32-bit library; the launcher loads only 64-bit runtimes";
            return false;
        }
        if (image.machine != machine) {
            error = shown + " is an " + machineName(image.machine) + " library; the " + machineName(machine) +
                    " launcher loads only " + machineName(machine) + " runtimes";
            return false;
        }
        return true;
    }
    error =
        "runtime " + runtime.u8string() + ": neither bin\\server\\jvm.dll nor bin\\client\\jvm.dll is there";
    return false;
}

namespace {

// Every file under `folder`, sorted by name so that equal inputs give equal sources.
bool collectFolder(const fs::path& folder, SourceFolder& out, size_t& count, std::string& error) {
    std::vector<fs::path> entries;
    std::error_code failure;
    for (fs::directory_iterator it(folder, failure), end; !failure && it != end; it.increment(failure))
        entries.push_back(it->path());
    if (failure) {
        error = "cannot read the folder " + folder.u8string() + ": " + failure.message();
        return false;
    }
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) {
        if (fs::is_directory(entry)) {
            SourceFolder sub;
            sub.name = nameOf(entry);
            if (!collectFolder(entry, sub, count, error)) return false;
            if (!sub.files.empty() || !sub.folders.empty()) out.folders.push_back(std::move(sub));
        } else if (fs::is_regular_file(entry)) {
            out.files.push_back(SourceFile{sourceName(entry), nameOf(entry)});
            ++count;
        }
    }
    return true;
}

}  // namespace

std::u16string nameOf(const fs::path& path) { return fromUtf8(path.filename().u8string()); }

std::string sourceName(const fs::path& file) {
    std::error_code failure;
    const fs::path absolute = fs::absolute(file, failure);
    const fs::path relative = fs::relative(absolute, fs::current_path(failure), failure);
    return (failure || relative.empty() ? absolute : relative).generic_u8string();
}

namespace {

void relativeTo(const fs::path& folder, SourceFile& file) {
    std::error_code failure;
    const fs::path relative = fs::relative(fs::absolute(fs::u8path(file.source), failure), folder, failure);
    if (!failure && !relative.empty()) file.source = relative.generic_u8string();
}

void relativeTo(const fs::path& folder, SourceFolder& tree) {
    for (SourceFile& file : tree.files) relativeTo(folder, file);
    for (SourceFolder& sub : tree.folders) relativeTo(folder, sub);
}

}  // namespace

void makeSourcesRelative(InstallerSpec& spec, const fs::path& wxsFolder) {
    std::error_code failure;
    const fs::path folder = fs::absolute(wxsFolder, failure);
    relativeTo(folder, spec.executable);
    if (spec.settings) relativeTo(folder, *spec.settings);
    for (SourceFile& added : spec.added) relativeTo(folder, added);
    for (SourceFolder& added : spec.addedFolders) relativeTo(folder, added);
    if (spec.runtime) relativeTo(folder, *spec.runtime);
}

bool collectFiles(const MsiRequest& request, InstallerSpec& spec, size_t& count, std::string& error) {
    const fs::path exe = fs::u8path(request.executable);
    spec.executable = SourceFile{sourceName(exe), nameOf(exe)};
    std::vector<std::u16string> names = {lowerCase(spec.executable.name), u"jre64"};
    count = 1;
    if (spec.settings) {
        names.push_back(lowerCase(spec.settings->name));
        ++count;
    }
    for (const std::string& added : request.added) {
        const fs::path path = fs::u8path(added);
        const bool folder = fs::is_directory(path);
        if (!folder && !fs::is_regular_file(path)) {
            error = "--add " + added + ": no such file or folder";
            return false;
        }
        const std::u16string name = nameOf(path.filename().empty() ? path.parent_path() : path);
        if (std::find(names.begin(), names.end(), lowerCase(name)) != names.end()) {
            error = "--add " + added + ": a file named \"" + toUtf8(name) + "\" is installed already";
            return false;
        }
        names.push_back(lowerCase(name));
        if (folder) {
            SourceFolder files{name, {}, {}};
            if (!collectFolder(path, files, count, error)) return false;
            spec.addedFolders.push_back(std::move(files));
        } else {
            spec.added.push_back(SourceFile{sourceName(path), name});
            ++count;
        }
    }
    if (!request.runtime.empty()) {
        const fs::path runtime = fs::u8path(request.runtime);
        if (!fs::is_directory(runtime)) {
            error = "runtime " + request.runtime + ": no such folder";
            return false;
        }
        if (!checkRuntimeLibrary(runtime, spec.identity.machine, error)) return false;
        spec.runtime = SourceFolder{};
        if (!collectFolder(runtime, *spec.runtime, count, error)) return false;
    }
    return true;
}

}  // namespace qxpack
