#include "installer/wix_source.h"

#include <cstdio>

#include "config/md5.h"
#include "core/text_codec.h"
#include "installer/wix_writer.h"

namespace qxpack {

namespace {

constexpr char kInstallFolder[] = "INSTALLDIR";
constexpr char kOlderFound[] = "QXPACK_OLDER_FOUND";
constexpr char kInstalledVersion[] = "QXPACK_INSTALLED_VERSION";
constexpr char kRuntimeFolderName[] = "jre64";

std::string u8(const std::u16string& text) { return toUtf8(text); }
std::string formatted(const std::u16string& text) { return u8(formattedLiteral(text)); }

// A component's GUID, the same in every version of the product so that an upgrade replaces the
// component in place: name-based (MD5) on the Upgrade Code, the install scope and the component's place.
std::string componentGuid(const InstallerSpec& spec, const std::string& place) {
    qx::Md5Digest d = qx::md5(spec.identity.upgradeCode + (spec.perUser ? "|user|" : "|machine|") + place);
    d[6] = static_cast<uint8_t>((d[6] & 0x0F) | 0x30);
    d[8] = static_cast<uint8_t>((d[8] & 0x3F) | 0x80);
    std::string out = "{";
    for (size_t i = 0; i < d.size(); ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", d[i]);
        out += hex;
        if (i == 3 || i == 5 || i == 7 || i == 9) out += "-";
    }
    return out + "}";
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
        if (!spec_.fileTypes.empty()) writeFileTypes();
        if (spec_.runtime) {
            SourceFolder runtime = *spec_.runtime;
            runtime.name = fromAscii(kRuntimeFolderName);
            writeFolder(runtime, kRuntimeFolderName);
        }
        xml_.close();  // the install folder
        xml_.close();
        if (spec_.perUser) xml_.close();
        if (!spec_.service) xml_.leaf("Directory", {{"Id", "ProgramMenuFolder"}});
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
        // A service's executable started from a shortcut would end at once: only the control manager
        // can start it.
        if (!spec_.service) {
            xml_.leaf("Shortcut", {{"Id", "StartMenuShortcut"},
                                   {"Directory", "ProgramMenuFolder"},
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
        auto value = [&](const std::u16string& key, const std::string& text) {
            std::vector<Attribute> entry = {{"Root", root},
                                            {"Key", "Software\\Classes\\" + u8(key)},
                                            {"Type", "string"},
                                            {"Value", text}};
            if (keyPath) entry.push_back({"KeyPath", "yes"});
            xml_.leaf("RegistryValue", entry);
            keyPath = false;
        };
        for (const FileType& type : spec_.fileTypes) {
            const std::u16string id = progId(spec_, type);
            value(u"." + type.extension, u8(id));
            value(id, formatted(type.description));
            value(id + u"\\DefaultIcon", "[#Executable],0");
            value(id + u"\\shell\\open\\command", "\"[#Executable]\" \"%1\"");
        }
        xml_.close();
    }

    void writeFolder(const SourceFolder& folder, const std::string& place) {
        xml_.open("Directory", {{"Id", next("RuntimeFolder")}, {"Name", u8(folder.name)}});
        for (const SourceFile& file : folder.files)
            writeFile(next("Runtime"), file, place + "/" + u8(file.name), false);
        for (const SourceFolder& sub : folder.folders) writeFolder(sub, place + "/" + u8(sub.name));
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
