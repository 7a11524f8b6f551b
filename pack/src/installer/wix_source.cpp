#include "installer/wix_source.h"

#include <cstdio>

#include "core/name_guid.h"
#include "core/text_codec.h"
#include "installer/wix_writer.h"

namespace qxpack {

namespace {

constexpr char kInstallFolder[] = "INSTALLDIR";
constexpr char kOlderFound[] = "QXPACK_OLDER_FOUND";
constexpr char kInstalledVersion[] = "QXPACK_INSTALLED_VERSION";
constexpr char kRuntimeFolderName[] = "jre64";
constexpr char kMenuFolder[] = "ApplicationMenuFolder";

std::string u8(const std::u16string& text) { return toUtf8(text); }
std::string formatted(const std::u16string& text) { return u8(formattedLiteral(text)); }

// A component's GUID, the same in every version of the product so that an upgrade replaces the
// component in place: name-based (MD5) on the Upgrade Code, the install scope and the component's place.
std::string componentGuid(const InstallerSpec& spec, const std::string& place) {
    return nameBasedGuid(spec.identity.upgradeCode + (spec.perUser ? "|user|" : "|machine|") + place);
}

// The least version above `version` ("1.2.3" gives "1.2.4"): wixl drops IncludeMaximum, so the range
// of versions an upgrade replaces, equal ones included, ends below this one. At 255.255.65535 an equal
// version is not replaced.
std::string versionAbove(const std::string& version) {
    unsigned fields[3] = {0, 0, 0};
    std::sscanf(version.c_str(), "%u.%u.%u", &fields[0], &fields[1], &fields[2]);
    const unsigned limits[3] = {255, 255, 65535};
    for (int i = 2; i >= 0; --i) {
        if (fields[i] < limits[i]) {
            ++fields[i];
            for (int k = i + 1; k < 3; ++k) fields[k] = 0;
            return std::to_string(fields[0]) + "." + std::to_string(fields[1]) + "." +
                   std::to_string(fields[2]);
        }
    }
    return version;
}

// "1.2.3" as "001.002.00003": installer conditions compare such strings as the versions compare.
std::string comparableVersion(const std::string& version) {
    unsigned fields[3] = {0, 0, 0};
    std::sscanf(version.c_str(), "%u.%u.%u", &fields[0], &fields[1], &fields[2]);
    char text[24];
    std::snprintf(text, sizeof text, "%03u.%03u.%05u", fields[0], fields[1], fields[2]);
    return text;
}

// A registry class name for a file type: the executable's name without its extension, letters and
// digits only, then the extension ("MyApp.mydoc").
std::u16string progId(const InstallerSpec& spec, const FileType& type) {
    const std::u16string& exe = spec.executable.name;
    std::u16string stem;
    for (char16_t c : exe.substr(0, exe.rfind(u'.'))) {
        if ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
            stem.push_back(c);
    }
    return (stem.empty() ? u"App" : stem) + u"." + type.extension;
}

class SourceWriter {
public:
    explicit SourceWriter(const InstallerSpec& spec) : spec_(spec) {}

    std::string write() {
        const ProductIdentity& id = spec_.identity;
        xml_.open("Wix", {{"xmlns", "http://schemas.microsoft.com/wix/2006/wi"}});
        xml_.open("Product", {{"Id", spec_.productCode.empty() ? "*" : spec_.productCode},
                              {"Name", u8(id.name)},
                              {"Language", "1033"},
                              {"Version", id.version},
                              {"Manufacturer", u8(id.manufacturer)},
                              {"UpgradeCode", id.upgradeCode}});
        xml_.leaf("Package", {{"InstallerVersion", "500"},
                              {"Compressed", "yes"},
                              {"InstallScope", spec_.perUser ? "perUser" : "perMachine"},
                              {"Manufacturer", u8(id.manufacturer)}});
        xml_.leaf("Media", {{"Id", "1"}, {"Cabinet", "product.cab"}, {"EmbedCab", "yes"}});
        xml_.leaf("Property", {{"Id", "ARPNOMODIFY"}, {"Value", "1"}});
        writeUpgrade();
        xml_.open("Directory", {{"Id", "TARGETDIR"}, {"Name", "SourceDir"}});
        if (spec_.perUser) {
            xml_.open("Directory", {{"Id", "LocalAppDataFolder"}});
            xml_.open("Directory", {{"Id", "ProgramsFolder"}, {"Name", "Programs"}});
        } else {
            xml_.open("Directory", {{"Id", "ProgramFiles64Folder"}});
        }
        xml_.open("Directory", {{"Id", kInstallFolder}, {"Name", u8(id.name)}});
        writeExecutable();
        writeRegistration();
        if (spec_.settings) writeFile(kSettingsComponent, *spec_.settings, u8(spec_.settings->name), true);
        for (const SourceFile& added : spec_.added) writeFile(next("Added"), added, u8(added.name), false);
        for (const SourceFolder& folder : spec_.addedFolders) writeFolder(folder, u8(folder.name), "Added");
        if (!spec_.fileTypes.empty()) writeFileTypes();
        if (spec_.runtime) {
            SourceFolder runtime = *spec_.runtime;
            runtime.name = fromAscii(kRuntimeFolderName);
            writeFolder(runtime, kRuntimeFolderName, "Runtime");
        }
        xml_.close();  // the install folder
        xml_.close();
        if (spec_.perUser) xml_.close();
        if (spec_.startMenuShortcut && !spec_.menuFolder.empty()) {
            xml_.open("Directory", {{"Id", "ProgramMenuFolder"}});
            xml_.open("Directory", {{"Id", kMenuFolder}, {"Name", u8(spec_.menuFolder)}});
            writeMenuFolderRemoval();
            xml_.close();
            xml_.close();
        } else if (spec_.startMenuShortcut) {
            xml_.leaf("Directory", {{"Id", "ProgramMenuFolder"}});
        }
        if (spec_.desktopShortcut) xml_.leaf("Directory", {{"Id", "DesktopFolder"}});
        xml_.close();  // TARGETDIR
        xml_.open("Feature", {{"Id", "Complete"}, {"Level", "1"}});
        for (const std::string& component : components_) xml_.leaf("ComponentRef", {{"Id", component}});
        return xml_.finish();
    }

private:
    // A newer version replaces an older or equal one in place, after installing itself, so that
    // components it shares keep their files (and the user's settings file); "Installed" lets a
    // product being removed by its successor pass its own condition. An older version is refused by
    // the version the installed product left in the registry: Wine forgets which products share an
    // Upgrade Code once a replaced one is removed, so the Upgrade table cannot tell there.
    void writeUpgrade() {
        const ProductIdentity& id = spec_.identity;
        xml_.open("Upgrade", {{"Id", id.upgradeCode}});
        xml_.leaf("UpgradeVersion", {{"Minimum", "0.0.0"},
                                     {"IncludeMinimum", "yes"},
                                     {"Maximum", versionAbove(id.version)},
                                     {"IncludeMaximum", "no"},
                                     {"Property", kOlderFound}});
        xml_.close();
        xml_.open("Property", {{"Id", kInstalledVersion}});
        xml_.leaf("RegistrySearch", {{"Id", "InstalledVersionSearch"},
                                     {"Root", registryRoot()},
                                     {"Key", registrationKey()},
                                     {"Name", "Version"},
                                     {"Type", "raw"}});
        xml_.close();
        xml_.open("Condition",
                  {{"Message", "A newer version of " + formatted(id.name) +
                                   " is already installed; uninstall it first to install this one."}});
        xml_.text(std::string("Installed OR NOT ") + kInstalledVersion + " OR " + kInstalledVersion +
                  " <= \"" + comparableVersion(id.version) + "\"");
        xml_.close();
        xml_.open("InstallExecuteSequence");
        xml_.leaf("RemoveExistingProducts", {{"After", "InstallFinalize"}});
        xml_.close();
    }

    // The installed version, for the next installer's check. Its component is a 32-bit one because
    // wixl cannot mark the search as 64-bit: both then use the same registry view.
    void writeRegistration() {
        components_.push_back("Registration");
        xml_.open("Component", {{"Id", "Registration"}, {"Guid", componentGuid(spec_, "registration")}});
        xml_.leaf("RegistryValue", {{"Root", registryRoot()},
                                    {"Key", registrationKey()},
                                    {"Name", "Version"},
                                    {"Type", "string"},
                                    {"Value", comparableVersion(spec_.identity.version)},
                                    {"KeyPath", "yes"}});
        xml_.close();
    }

    // The Start menu folder made for the shortcut goes with it: nothing removes a folder of the menu
    // unless a component of its own asks to (wixl takes a RemoveFolder's folder from its component).
    void writeMenuFolderRemoval() {
        components_.push_back("MenuFolder");
        xml_.open("Component", {{"Id", "MenuFolder"}, {"Guid", componentGuid(spec_, "menu folder")}});
        xml_.leaf("RemoveFolder", {{"Id", "RemoveMenuFolder"}, {"On", "uninstall"}});
        xml_.leaf("RegistryValue", {{"Root", registryRoot()},
                                    {"Key", registrationKey()},
                                    {"Name", "Start Menu Folder"},
                                    {"Type", "string"},
                                    {"Value", formatted(spec_.menuFolder)},
                                    {"KeyPath", "yes"}});
        xml_.close();
    }

    std::string registryRoot() const { return spec_.perUser ? "HKCU" : "HKLM"; }
    std::string registrationKey() const {
        return "Software\\qxpack\\Products\\" + spec_.identity.upgradeCode;
    }

    void openComponent(const std::string& id, const std::string& place, bool neverOverwrite = false) {
        components_.push_back(id);
        std::vector<Attribute> component = {
            {"Id", id}, {"Guid", componentGuid(spec_, place)}, {"Win64", "yes"}};
        if (neverOverwrite) component.push_back({"NeverOverwrite", "yes"});
        xml_.open("Component", component);
    }

    void writeFile(const std::string& id, const SourceFile& file, const std::string& place,
                   bool neverOverwrite) {
        openComponent(id, place, neverOverwrite);
        xml_.leaf("File", {{"Id", id}, {"Source", file.source}, {"Name", u8(file.name)}, {"KeyPath", "yes"}});
        xml_.close();
    }

    void writeExecutable() {
        const ProductIdentity& id = spec_.identity;
        openComponent("Executable", u8(spec_.executable.name));
        xml_.leaf("File", {{"Id", "Executable"},
                           {"Source", spec_.executable.source},
                           {"Name", u8(spec_.executable.name)},
                           {"KeyPath", "yes"}});
        if (spec_.startMenuShortcut) {
            const bool inFolder = !spec_.menuFolder.empty();
            xml_.leaf("Shortcut", {{"Id", "StartMenuShortcut"},
                                   {"Directory", inFolder ? kMenuFolder : "ProgramMenuFolder"},
                                   {"Name", u8(id.name)},
                                   {"Target", "[#Executable]"},
                                   {"WorkingDirectory", kInstallFolder}});
        }
        if (spec_.desktopShortcut) {
            xml_.leaf("Shortcut", {{"Id", "DesktopShortcut"},
                                   {"Directory", "DesktopFolder"},
                                   {"Name", u8(id.name)},
                                   {"Target", "[#Executable]"},
                                   {"WorkingDirectory", kInstallFolder}});
        }
        if (spec_.service) {
            const ServiceSpec& s = *spec_.service;
            std::vector<Attribute> service = {{"Id", "Service"},
                                              {"Name", formatted(s.name)},
                                              {"DisplayName", formatted(s.displayName)},
                                              {"Type", "ownProcess"},
                                              {"Start", s.autoStart ? "auto" : "demand"},
                                              {"ErrorControl", "normal"}};
            if (!s.account.empty()) service.push_back({"Account", formatted(s.account)});
            if (!s.description.empty()) service.push_back({"Description", formatted(s.description)});
            xml_.leaf("ServiceInstall", service);
            std::vector<Attribute> control = {{"Id", "ServiceControl"}, {"Name", formatted(s.name)}};
            if (s.autoStart) control.push_back({"Start", "install"});
            control.insert(control.end(), {{"Stop", "both"}, {"Remove", "uninstall"}, {"Wait", "yes"}});
            xml_.leaf("ServiceControl", control);
        }
        xml_.close();
    }

    // What wixl would drop as ProgId and Extension elements, written as the registry values that
    // Explorer reads: the extension names the class, the class opens the file with the executable.
    void writeFileTypes() {
        const std::string root = spec_.perUser ? "HKCU" : "HKLM";
        openComponent("FileTypes", "file types");
        bool keyPath = true;
        auto value = [&](const std::u16string& key, const std::string& text, const std::string& name = {}) {
            if (keyPath) {
                xml_.leaf("RegistryValue", {{"Root", root},
                                            {"Key", "Software\\Classes\\" + u8(key)},
                                            {"Type", "string"},
                                            {"Value", text},
                                            {"KeyPath", "yes"}});
            } else if (!name.empty()) {
                xml_.leaf("RegistryValue", {{"Root", root},
                                            {"Key", "Software\\Classes\\" + u8(key)},
                                            {"Name", name},
                                            {"Type", "string"},
                                            {"Value", text}});
            } else {
                xml_.leaf("RegistryValue", {{"Root", root},
                                            {"Key", "Software\\Classes\\" + u8(key)},
                                            {"Type", "string"},
                                            {"Value", text}});
            }
            keyPath = false;
        };
        for (const FileType& type : spec_.fileTypes) {
            const std::u16string id = progId(spec_, type);
            value(u"." + type.extension, u8(id));
            if (!type.contentType.empty())
                value(u"." + type.extension, formatted(type.contentType), "Content Type");
            value(id, formatted(type.description));
            value(id + u"\\DefaultIcon",
                  type.iconName.empty() ? std::string("[#Executable],0")
                                        : std::string("[") + kInstallFolder + "]" + formatted(type.iconName));
            value(id + u"\\shell\\open\\command", "\"[#Executable]\" \"%1\"");
        }
        xml_.close();
    }

    void writeFolder(const SourceFolder& folder, const std::string& place, const std::string& prefix) {
        xml_.open("Directory", {{"Id", next(prefix + "Folder")}, {"Name", u8(folder.name)}});
        for (const SourceFile& file : folder.files)
            writeFile(next(prefix), file, place + "/" + u8(file.name), false);
        for (const SourceFolder& sub : folder.folders) writeFolder(sub, place + "/" + u8(sub.name), prefix);
        xml_.close();
    }

    std::string next(const std::string& prefix) { return prefix + std::to_string(++counter_); }

    const InstallerSpec& spec_;
    XmlWriter xml_;
    std::vector<std::string> components_;
    int counter_ = 0;
};

}  // namespace

std::string wixSource(const InstallerSpec& spec) { return SourceWriter(spec).write(); }

}  // namespace qxpack
