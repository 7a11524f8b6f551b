// `qxpack check`: a settings text read against the launcher's key table and value rules, each finding
// with its line and a plain sentence.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace qxpack {

// Errors are settings the launcher refuses or that keep every runtime from qualifying: no "Main
// Class", a version that does not parse, an unknown "JVM Source" word, a memory share out of form.
// Everything else the launcher reads without complaint but probably not as meant: warnings.
enum class Severity { Warning, Error };

struct LintFinding {
    std::string source;  // the file as named on the command line
    size_t line = 0;     // 1-based; 0 when the finding is about the settings as a whole
    Severity severity = Severity::Warning;
    std::string message;
};

// Whether the launcher's file search for a class path piece would find anything. The pattern is in
// the launcher's form (backslashes, wildcards in its last part).
enum class PathProbe { Found, Missing, Unknown };
using ClassPathProber = std::function<PathProbe(const std::u16string& pattern)>;

// What a "Splash Image" names: an image the runtime's splash library shows (PNG, GIF or JPEG), another
// file, no file, or a place this machine cannot see. The path is in the launcher's form.
enum class ImageProbe { SplashImage, NotAnImage, Missing, Unknown };
using ImageProber = std::function<ImageProbe(const std::u16string& path)>;

struct LintInput {
    std::string source;
    std::u16string text;            // without a byte-order mark
    std::u16string launcherFolder;  // where the launcher would sit: the settings file's folder
    bool byteOrderMark = false;     // the file started with one
};

// All inputs are read as one application's settings (a settings file and the text to embed), so
// "Main Class" may come from either. Without `imageProbe`, a "Splash Image" is not looked at.
std::vector<LintFinding> lintSettings(const std::vector<LintInput>& inputs, const ClassPathProber& probe,
                                      const ImageProber& imageProbe = nullptr);

// 0 without findings, 1 with warnings only, 2 with an error.
int lintExitCode(const std::vector<LintFinding>& findings);

// "app.ini:12: warning: ..." (no line part for line 0).
std::string formatFinding(const LintFinding& finding);

}  // namespace qxpack
