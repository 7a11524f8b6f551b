#include "package/package_inspect.h"

#include "core/text_codec.h"
#include "core/zip_archive.h"
#include "pe/pe_resources.h"
#include "settings/settings_cipher.h"

namespace qxpack {

namespace {

const Resource* firstOf(const ResourceTable& table, uint16_t type, uint16_t id) {
    return findResource(table, type, ResourceId::number(id));
}

// The check's findings are ASCII.
std::string ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string signatureLines(const PackageReport& report) {
    const qx::SignedRangeCheck& check = report.signature;
    if (check.verdict == qx::SignedRange::Unsigned) return "\nSignature: none";
    std::string out = "\nSignature: certificate table at " + std::to_string(check.tableOffset) + ", " +
                      std::to_string(check.tableSize) + " bytes";
    if (check.contentEnd != 0)
        out += "; " + std::to_string(report.fileSize - check.contentEnd) + " bytes follow the PKCS#7 content";
    out += "\n  appended jar: ";
    const qx::ZipEnd& end = check.end;
    if (check.archive != qx::ZipEndSearch::Found) {
        out += check.verdict == qx::SignedRange::Covered ? "none that Java opens" : "not known";
    } else {
        const bool inside =
            end.recordStart + qx::kZipEndRecordSize <= check.tableOffset &&
            end.directoryStart + end.directorySize <= check.tableOffset &&
            (!end.zip64 || end.zip64RecordStart + qx::kZip64EndRecordSize <= check.tableOffset);
        out += inside ? "inside the signed range" : "outside the signed range";
    }
    out += launcherRefuses(report) ? "\n  launcher: refuses to run it, " : "\n  launcher: runs it, ";
    return out + ascii(check.finding);
}

}  // namespace

bool inspectPackage(const Bytes& executable, const std::string& upgradeCode, const PeAcceptance& acceptance,
                    PackageReport& report, std::string& error) {
    report = PackageReport{};
    PeImage image;
    if (!parsePeImage(executable, acceptance, image, error)) return false;
    report.machine = image.machine;
    ResourceTable table;
    if (!readResources(image, table, error)) return false;

    const Resource* text = firstOf(table, kTypeRcData, kSettingsTextResource);
    if (text != nullptr) {
        SettingsResources res;
        res.settingsText = text->data;
        if (const Resource* pass = firstOf(table, kTypeRcData, kPassPhraseResource))
            res.passPhrase = pass->data;
        report.settingsText = decipherSettings(upgradeCode, res);
    }
    for (const Resource& r : table) {
        if (r.type != ResourceId::number(kTypeGroupIcon)) continue;
        std::vector<IconSize> sizes;
        iconGroupSizes(r.data, sizes);
        report.iconGroups.push_back(sizes);
    }
    for (const Resource& r : table) {
        if (r.type != ResourceId::number(kTypeVersion)) continue;
        VersionInfo info;
        if (!parseVersionResource(r.data, info, error)) return false;
        report.launcherVersion = info.value(u"Launcher Version");
        if (report.launcherVersion.empty()) report.launcherVersion = info.value(u"FileVersion");
        report.version = info;
        break;
    }

    const size_t sectionsEnd = image.endOfSectionData();
    ZipSummary zip;
    std::string notZip;
    if (executable.size() > sectionsEnd && readZipSummary(executable, zip, notZip) &&
        zip.archiveStart >= sectionsEnd) {
        report.jarEntries = zip.entryCount;
    }
    report.fileSize = executable.size();
    report.signature = qx::checkSignedRange(
        executable.size(), [&executable](uint64_t offset, size_t count, std::string& bytes) {
            if (offset > executable.size() || count > executable.size() - offset) return false;
            bytes.assign(executable.begin() + static_cast<std::ptrdiff_t>(offset),
                         executable.begin() + static_cast<std::ptrdiff_t>(offset + count));
            return true;
        });
    return true;
}

bool launcherRefuses(const PackageReport& report) {
    return report.signature.verdict == qx::SignedRange::Changed ||
           report.signature.verdict == qx::SignedRange::Unreadable;
}

std::string formatReport(const PackageReport& report) {
    std::string out = "Machine: ";
    out += machineName(report.machine);
    out += "\nLauncher version: " +
           (report.launcherVersion.empty() ? std::string("unknown") : toUtf8(report.launcherVersion));
    if (report.version) {
        out += "\nFile version: " + versionText(report.version->fileVersion);
        out += "\nProduct version: " + versionText(report.version->productVersion);
        for (const auto& entry : report.version->strings)
            out += "\n  " + toUtf8(entry.first) + ": " + toUtf8(entry.second);
    } else {
        out += "\nVersion resource: none";
    }
    out += "\nIcon groups: " + std::to_string(report.iconGroups.size());
    for (const auto& group : report.iconGroups) {
        out += "\n  icon sizes:";
        for (const IconSize& s : group) {
            out += " " + std::to_string(s.width) + "x" + std::to_string(s.height) + "/" +
                   std::to_string(s.bitCount) + "bpp";
        }
    }
    out += "\nAppended jar: ";
    out += report.jarEntries ? "yes, " + std::to_string(*report.jarEntries) + " entries" : std::string("no");
    out += signatureLines(report);
    out += "\nEmbedded settings: ";
    if (!report.settingsText) {
        out += "none\n";
        return out;
    }
    out += "\n";
    std::u16string text = *report.settingsText;
    if (!text.empty() && text.front() == 0xFEFF) text.erase(0, 1);
    std::string lines = toUtf8(text);
    size_t start = 0;
    while (start < lines.size()) {
        size_t end = lines.find('\n', start);
        if (end == std::string::npos) end = lines.size();
        std::string line = lines.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out += "  | " + line + "\n";
        start = end + 1;
    }
    return out;
}

}  // namespace qxpack
