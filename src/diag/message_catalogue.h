// Message texts of the executable's own string table (language 1033).
#pragma once

#include <string>

namespace qx {

enum MessageId : unsigned {
    kMsgWindowsException = 202,
    kMsgJniException = 203,
    kMsgPairStartFailed = 204,
    kMsgJreNotFoundServer = 206,
    kMsgJreNotFound = 207,
    kMsgModulePathFailed = 208,
    kMsgNoClassPath = 209,
    kMsgNoMainClass = 210,
    kMsgMainClassString = 211,
    kMsgNoCreateJavaVm = 212,
    kMsgCreateVmFailed = 213,
    kMsgBrowseTitle = 214,
    kMsgMainClassNotFound = 215,
    kMsgNoMainMethod = 216,
    kMsgLatestVersion = 217,
    kMsgMaximumVersion = 218,
    kMsgMinimumVersion = 219,
    kMsgExactVersion = 220,
    kMsgVersionBetween = 221,
    kMsgVmLibraryLoad = 222,
    kMsgNoDesktopForRuntime = 224,
    kMsgReasonUnknown = 225,
    kMsgReasonDetached = 226,
    kMsgReasonVersion = 227,
    kMsgReasonMemory = 228,
    kMsgReasonExists = 229,
    kMsgReasonInvalid = 230,
    kMsgChangedAfterSigning = 231,
};

// The text of a catalogue entry; empty when the table has none.
std::wstring loadMessage(unsigned id);

}  // namespace qx
