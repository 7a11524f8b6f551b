// `qxpack msi`: the command line of the installer builder.
#include <cstdio>

#include "cli/commands.h"
#include "core/text_codec.h"
#include "installer/msi_build.h"

namespace qxpack {

int runMsi(const CommandLine& line) {
    if (!line.has("exe") || !line.has("output")) return fail("msi needs --exe and --output");
    MsiRequest request;
    request.executable = line.value("exe");
    request.output = line.value("output");
    request.wxs = line.value("wxs");
    request.upgradeCode = line.value("upgrade-code");
    request.productCode = line.value("product-code");
    request.perUser = line.flag("per-user");
    request.desktopShortcut = line.flag("desktop-shortcut");
    request.noStartMenu = line.flag("no-start-menu");
    request.menuGroup = line.value("menu-group");
    request.fileAssociations = line.all("file-associations");
    request.added = line.all("add");
    request.runtime = line.value("runtime");
    request.fileTypes = line.all("file-type");
    request.service = line.value("service");
    request.serviceStart = line.value("service-start");
    request.serviceAccount = line.value("service-account");
    request.serviceDescription = line.value("service-description");
    MsiSummary summary;
    std::string error;
    const bool built = buildMsi(request, summary, error);
    for (const std::string& warning : summary.warnings)
        std::fprintf(stderr, "qxpack: warning: %s\n", warning.c_str());
    if (!built) return fail(error);
    std::printf("%s: %s %s, %zu files\n", request.output.c_str(), toUtf8(summary.productName).c_str(),
                summary.version.c_str(), summary.files);
    return 0;
}

}  // namespace qxpack
