// The JDK packager's --java-options and --arguments, written as its users write them, turned into the
// launcher's "Virtual Machine Parameters" and "Cmd" settings, which the launcher reads back as exactly
// the same options and arguments.
#pragma once

#include <string>
#include <vector>

namespace qxpack {

// The folder beside the executable that holds the application's own files: "$APPDIR".
constexpr char16_t kAppFolderName[] = u"app";
// The variable the launcher sets to its own folder before it expands its settings.
constexpr char16_t kLauncherFolderVariable[] = u"QX_EXE_DIR";

struct LaunchPiece {
    std::u16string written;         // as the user wrote it, quotes and escapes resolved
    std::u16string text;            // as the launcher reads it: every reference as "%NAME%"
    bool refersToVariable = false;  // its value depends on the folder or the environment at start
    bool literalPercent = false;    // holds a "%" of its own, which the launcher may take for a variable
};

// Cuts one value of either option into pieces. Blanks separate pieces; a stretch in double or single
// quotes keeps its blanks and loses its quotes; a backslash before a quote, a blank or "$" stands for
// that character, and any other backslash is kept (Windows paths). "$NAME" (letters and digits) and
// "${NAME}" refer to a folder or a variable at start: APPDIR is the application's folder (app beside
// the executable), BINDIR and ROOTDIR the executable's folder, and any other name the environment
// variable, ignoring case as Windows does. False with `error` set on a quote left open or a control
// character inside quotes.
bool splitLaunchValue(const std::u16string& value, std::vector<LaunchPiece>& pieces, std::string& error);

// The "Virtual Machine Parameters" value whose tokens, once the launcher has removed its quotes, are
// `options`, where a java launcher option whose value is the next piece (--add-opens, -p and the like)
// becomes OPTION=VALUE, the one form the VM takes. False with `error` set for a piece that is empty or is
// no option (does not begin with "-"), such an option without its value, and the java launcher's own
// -cp, -jar and --module, which choose what to run.
bool vmParametersValue(std::vector<LaunchPiece> options, std::u16string& value, std::string& error);

// The "Cmd" value that the launcher splits into exactly `arguments`. Its rules have no escape, and it
// expands variables before it splits, so an argument that refers to one is quoted. False with `error`
// set for an argument the launcher cannot receive: an empty one, or one with a double quote that must be
// quoted or that begins with one.
bool cmdValue(const std::vector<LaunchPiece>& arguments, std::u16string& value, std::string& error);

// The notes a packager needs about `pieces` of the option named `option`: a "%" the launcher may
// expand, and a memory size in terabytes that the launcher reads as a share of memory.
std::vector<std::string> launchValueWarnings(const std::string& option,
                                             const std::vector<LaunchPiece>& pieces);

}  // namespace qxpack
