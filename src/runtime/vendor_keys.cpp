#include "runtime/vendor_keys.h"

namespace qx {

// The version is read from the digits of the subkey name for every layout: "21.0.8.9" and "zulu-17"
// alike.
const VendorLayout kVendorLayouts[14] = {
    {L"SOFTWARE\\Eclipse Adoptium\\JDK\\", L"hotspot\\MSI", L"Path", RuntimeKind::Jdk, false,
     RuntimeVendor::Sun},
    {L"SOFTWARE\\Eclipse Adoptium\\JRE\\", L"hotspot\\MSI", L"Path", RuntimeKind::Jre, false,
     RuntimeVendor::Sun},
    {L"SOFTWARE\\Eclipse Foundation\\JDK\\", L"hotspot\\MSI", L"Path", RuntimeKind::Jdk, false,
     RuntimeVendor::Sun},
    {L"SOFTWARE\\Eclipse Foundation\\JRE\\", L"hotspot\\MSI", L"Path", RuntimeKind::Jre, false,
     RuntimeVendor::Sun},
    {L"SOFTWARE\\AdoptOpenJDK\\JDK\\", L"hotspot\\MSI", L"Path", RuntimeKind::Jdk, false, RuntimeVendor::Sun},
    {L"SOFTWARE\\AdoptOpenJDK\\JDK\\", L"openj9\\MSI", L"Path", RuntimeKind::Jdk, false, RuntimeVendor::Ibm},
    {L"SOFTWARE\\AdoptOpenJDK\\JRE\\", L"hotspot\\MSI", L"Path", RuntimeKind::Jre, false, RuntimeVendor::Sun},
    {L"SOFTWARE\\AdoptOpenJDK\\JRE\\", L"openj9\\MSI", L"Path", RuntimeKind::Jre, false, RuntimeVendor::Ibm},
    {L"SOFTWARE\\Microsoft\\JDK\\", L"hotspot\\MSI", L"Path", RuntimeKind::Jdk, false, RuntimeVendor::Sun},
    {L"SOFTWARE\\Semeru\\JDK\\", L"openj9\\MSI", L"Path", RuntimeKind::Jdk, false, RuntimeVendor::Ibm},
    {L"SOFTWARE\\Semeru\\JRE\\", L"openj9\\MSI", L"Path", RuntimeKind::Jre, false, RuntimeVendor::Ibm},
    {L"SOFTWARE\\Azul Systems\\Zulu\\", L"", L"InstallationPath", RuntimeKind::Jdk, true, RuntimeVendor::Sun},
    {L"SOFTWARE\\BellSoft\\Liberica\\", L"", L"InstallationPath", RuntimeKind::Jdk, true, RuntimeVendor::Sun},
    {L"SOFTWARE\\SapMachine\\JDK\\", L"", L"JavaHome", RuntimeKind::Jdk, false, RuntimeVendor::Sun},
};

}  // namespace qx
