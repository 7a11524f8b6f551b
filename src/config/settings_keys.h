// Every settings section and key the launcher reads or writes, in one place. The loaders, the packaging
// tool and the settings reference all take their names from here. Pure data: no Windows calls.
#pragma once

#include <cstddef>

namespace qx {

constexpr wchar_t kSectionProduct[] = L"Product Information";
constexpr wchar_t kSectionRuntime[] = L"Java Runtime Environment";
constexpr wchar_t kSectionApplication[] = L"Application";
constexpr wchar_t kSectionClassPath[] = L"Class Path";

// How a key's value is read.
enum class SettingKind {
    Text,          // any text
    YesFlag,       // on when the value equals "Yes" ignoring case
    ExactYesFlag,  // on only for exactly "yes"
    NoFlag,        // off when the value equals "No" ignoring case, else on
    Version,       // the word "any" or a version number
    Word,          // one of a few words, compared exactly
    ProviderWord,  // one of the "VM Provider" words, compared ignoring case
    List,          // pieces separated by ";"
};

struct SettingKey {
    const wchar_t* section;
    const wchar_t* name;
    SettingKind kind;
    bool fileOnly;  // read from the settings file alone, never from the embedded text
};

namespace key {

constexpr SettingKey kProductCode{kSectionProduct, L"Product Code", SettingKind::Text, true};
constexpr SettingKey kUpgradeCode{kSectionProduct, L"Upgrade Code", SettingKind::Text, true};
constexpr SettingKey kProductName{kSectionProduct, L"Product Name", SettingKind::Text, true};

constexpr SettingKey kMinimumVersion{kSectionRuntime, L"Minimum Version", SettingKind::Version, false};
constexpr SettingKey kMaximumVersion{kSectionRuntime, L"Maximum Version", SettingKind::Version, false};
constexpr SettingKey kPreferredVersions{kSectionRuntime, L"Preferred versions", SettingKind::List, false};
constexpr SettingKey kJrePath{kSectionRuntime, L"JRE Path", SettingKind::Text, false};
constexpr SettingKey kJvmType{kSectionRuntime, L"JVM Type", SettingKind::Word, false};
constexpr SettingKey kJvmSource{kSectionRuntime, L"JVM Source", SettingKind::Word, false};
constexpr SettingKey kVmProvider{kSectionRuntime, L"VM Provider", SettingKind::ProviderWord, false};
constexpr SettingKey kMainClass{kSectionRuntime, L"Main Class", SettingKind::Text, false};
constexpr SettingKey kSystemPath{kSectionRuntime, L"System Path", SettingKind::List, false};
constexpr SettingKey kLibraryPath{kSectionRuntime, L"Library Path", SettingKind::List, false};
constexpr SettingKey kVmParameters{kSectionRuntime, L"Virtual Machine Parameters", SettingKind::Text, false};
constexpr SettingKey kVendorKeys{kSectionRuntime, L"Vendor Keys", SettingKind::NoFlag, false};

constexpr SettingKey kApplicationType{kSectionApplication, L"Application Type", SettingKind::Word, false};
constexpr SettingKey kOmitServiceName{kSectionApplication, L"Omit Service Name", SettingKind::Text, false};
constexpr SettingKey kFailureCheck{kSectionApplication, L"Failure Check", SettingKind::YesFlag, false};
constexpr SettingKey kOverrideWorkingDir{kSectionApplication, L"Override WorkingDir", SettingKind::YesFlag,
                                         false};
constexpr SettingKey kPairProduct{kSectionApplication, L"Pair Product", SettingKind::Text, false};
constexpr SettingKey kPairReturnCode{kSectionApplication, L"Pair Return Code", SettingKind::YesFlag, false};
constexpr SettingKey kSingleInstance{kSectionApplication, L"Single Instance", SettingKind::ExactYesFlag,
                                     false};
constexpr SettingKey kEmbeddedJar{kSectionApplication, L"Embedded Jar", SettingKind::YesFlag, false};
constexpr SettingKey kOutputFile{kSectionApplication, L"Output File", SettingKind::Text, false};
constexpr SettingKey kOutputAppend{kSectionApplication, L"Output Append", SettingKind::ExactYesFlag, false};
constexpr SettingKey kErrorFile{kSectionApplication, L"Error File", SettingKind::Text, false};
constexpr SettingKey kErrorAppend{kSectionApplication, L"Error Append", SettingKind::ExactYesFlag, false};
constexpr SettingKey kCmd{kSectionApplication, L"Cmd", SettingKind::Text, false};
constexpr SettingKey kSplashImage{kSectionApplication, L"Splash Image", SettingKind::Text, false};

constexpr SettingKey kClassPath{kSectionClassPath, L"Class Path", SettingKind::List, false};

}  // namespace key

// Every key above, for tools that walk the whole vocabulary (the lint, the settings reference).
constexpr SettingKey kAllSettingKeys[] = {
    key::kProductCode,     key::kUpgradeCode,    key::kProductName,
    key::kMinimumVersion,  key::kMaximumVersion, key::kPreferredVersions,
    key::kJrePath,         key::kJvmType,        key::kJvmSource,
    key::kVmProvider,      key::kMainClass,      key::kSystemPath,
    key::kLibraryPath,     key::kVmParameters,   key::kApplicationType,
    key::kOmitServiceName, key::kFailureCheck,   key::kOverrideWorkingDir,
    key::kPairProduct,     key::kPairReturnCode, key::kSingleInstance,
    key::kEmbeddedJar,     key::kOutputFile,     key::kOutputAppend,
    key::kErrorFile,       key::kErrorAppend,    key::kCmd,
    key::kClassPath,       key::kVendorKeys,     key::kSplashImage,
};

}  // namespace qx
