#include "settings/settings_lint.h"

#include <algorithm>
#include <optional>

#include "base/long_path.h"
#include "base/split_text.h"
#include "config/settings_keys.h"
#include "core/text_codec.h"
#include "core/wide_text.h"
#include "runtime/java_version.h"
#include "vm/class_path_text.h"
#include "vm/vm_parameter_text.h"

namespace qxpack {

namespace {

using qx::SettingKey;
using qx::SettingKind;

constexpr int kMaxPercent = 100;

std::u16string u16(const wchar_t* text) { return fromWide(text); }

bool isAscii(const std::u16string& text) {
    for (char16_t c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

std::string quoted(const std::u16string& text) { return "\"" + toUtf8(text) + "\""; }

std::string quotedName(const wchar_t* text) { return quoted(u16(text)); }

// The profile functions drop one pair of quotes around a settings file value.
std::u16string profileValue(const std::u16string& raw) {
    const std::u16string v = trimmed(raw);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

std::vector<std::u16string> splitLines(const std::u16string& text) {
    std::vector<std::wstring> wide;
    qx::splitText(toWide(withCrLf(text)), L"\r\n", wide);
    std::vector<std::u16string> lines;
    for (const std::wstring& line : wide) lines.push_back(fromWide(line));
    return lines;
}

// The table's section of that name; a spelling that differs only in case is reported by the caller.
const wchar_t* tableSection(const std::u16string& name) {
    for (const SettingKey& k : qx::kAllSettingKeys) {
        if (sameIgnoringCase(u16(k.section), name)) return k.section;
    }
    return nullptr;
}

const SettingKey* tableKey(const wchar_t* section, const std::u16string& name) {
    for (const SettingKey& k : qx::kAllSettingKeys) {
        if ((section == nullptr || std::wstring(k.section) == section) && sameIgnoringCase(u16(k.name), name))
            return &k;
    }
    return nullptr;
}

bool sameKey(const SettingKey& a, const SettingKey& b) {
    return std::wstring(a.section) == b.section && std::wstring(a.name) == b.name;
}

std::string wordList(const std::vector<std::u16string>& words) {
    std::string out;
    for (const auto& w : words) out += (out.empty() ? "" : ", ") + quoted(w);
    return out;
}

struct AcceptedWords {
    const SettingKey* key;
    std::vector<std::u16string> words;
    Severity severity;
    const char* effect;  // what the launcher does with any other word
};

const AcceptedWords kWords[] = {
    {&qx::key::kJvmType, {u"server", u"favor_server"}, Severity::Warning, "the launcher uses the client VM"},
    {&qx::key::kJvmSource,
     {u"favor_JRE", u"favor_JDK", u"only_JDK", u"only_JRE"},
     Severity::Error,
     "no runtime would qualify, neither JRE nor JDK"},
    {&qx::key::kApplicationType,
     {u"service"},
     Severity::Warning,
     "the application runs as a normal application"},
    {&qx::key::kVmProvider,
     {u"jrockit", u"ibm", u"favor_sun", u"favor_jrockit", u"favor_ibm", u"any"},
     Severity::Warning,
     "the launcher keeps its default, Sun runtimes only"},
};

// "<percent>[:<min MB>[:<max MB>]]" between the option and the unit letter.
bool isWellFormedShare(const std::u16string& token, unsigned long long& percent) {
    const std::u16string body = token.substr(4, token.size() - 5);
    size_t fields = 1;
    bool digitInFirst = false;
    percent = 0;
    for (char16_t c : body) {
        if (c == u':') {
            if (++fields > 3 || !digitInFirst) return false;
        } else if (c >= u'0' && c <= u'9') {
            if (fields == 1) {
                digitInFirst = true;
                if (percent < 1000000) percent = percent * 10 + static_cast<unsigned>(c - u'0');
            }
        } else {
            return false;
        }
    }
    return digitInFirst;
}

// Walks the lines itself rather than through IniTextStore: findings need line numbers, which the
// store does not keep, and a settings file is read by the profile functions' rules (names ignoring
// case, any line end, ";" comments), not by the embedded text's. Names, kinds and value rules all come
// from the launcher's shared code.
class Linter {
public:
    Linter(std::vector<LintFinding>& findings, const ClassPathProber& probe, const ImageProber& imageProbe)
        : findings_(findings), probe_(probe), imageProbe_(imageProbe) {}

    void lint(const LintInput& input) {
        input_ = &input;
        section_.reset();
        seen_.clear();
        const std::vector<std::u16string> lines = splitLines(input.text);
        bool encodingReported = input.byteOrderMark;
        for (size_t i = 0; i < lines.size(); ++i) {
            line_ = i + 1;
            if (!encodingReported && !isAscii(lines[i])) {
                report(Severity::Warning,
                       "non-ASCII text in a file without a byte-order mark: qxpack reads it as UTF-8, a "
                       "launcher would read it in the ANSI code page; save it as UTF-8 or UTF-16 with a "
                       "byte-order mark to make the encoding certain");
                encodingReported = true;
            }
            lintLine(lines[i]);
        }
    }

    bool sawMainClass() const { return mainClass_; }

private:
    struct OpenSection {
        std::u16string written;
        const wchar_t* table = nullptr;  // null for a section the launcher never reads
        bool plus = false;
    };

    void report(Severity severity, const std::string& message) {
        findings_.push_back(LintFinding{input_->source, line_, severity, message});
    }

    void lintLine(const std::u16string& raw) {
        const std::u16string line = trimmed(raw);
        if (line.empty() || line.front() == u';') return;
        if (line.front() == u'[' && line.back() == u']') return openSection(line.substr(1, line.size() - 2));
        const size_t equals = line.find(u'=');
        if (equals == std::u16string::npos) {
            report(Severity::Warning,
                   "the line is neither a [section] header nor key=value; the launcher ignores it");
            return;
        }
        lintEntry(trimmed(line.substr(0, equals)), profileValue(line.substr(equals + 1)));
    }

    void openSection(const std::u16string& inside) {
        OpenSection s;
        s.written = trimmed(inside);
        if (s.written != inside) {
            report(Severity::Warning, "spaces inside the brackets of [" + toUtf8(inside) +
                                          "] are part of the section name in embedded settings");
        }
        std::u16string base = s.written;
        if (!base.empty() && base.back() == u'+') {
            s.plus = true;
            base.pop_back();
        }
        s.table = tableSection(base);
        if (s.table == nullptr) {
            report(Severity::Warning,
                   "unknown section [" + toUtf8(s.written) + "]; the launcher never reads it");
        } else if (base != u16(s.table)) {
            report(Severity::Warning, "section [" + toUtf8(s.written) + "] is spelled [" +
                                          toUtf8(u16(s.table)) + (s.plus ? "+" : "") +
                                          "] in embedded settings, which match names exactly");
        }
        if (s.table != nullptr && s.plus && std::wstring(s.table) == qx::kSectionProduct) {
            report(Severity::Warning, "[" + toUtf8(s.written) + "] is never read: the keys of [" +
                                          toUtf8(u16(qx::kSectionProduct)) +
                                          "] come from the settings file alone, without extension");
            s.table = nullptr;
        }
        section_ = s;
    }

    void lintEntry(const std::u16string& name, const std::u16string& value) {
        if (!section_) {
            report(Severity::Warning,
                   "key " + quoted(name) + " stands before any [section] header and is never read");
            return;
        }
        // In a section the launcher never reads, only keys of the table are worth a word: the section
        // itself was reported.
        const SettingKey* key = section_->table == nullptr ? nullptr : tableKey(section_->table, name);
        if (key == nullptr && section_->table == nullptr) {
            if (const SettingKey* elsewhere = tableKey(nullptr, name)) reportMisplaced(name, *elsewhere);
            return;
        }
        if (key == nullptr) {
            if (const SettingKey* elsewhere = tableKey(nullptr, name)) {
                reportMisplaced(name, *elsewhere);
            } else {
                report(Severity::Warning, "unknown key " + quoted(name) + " in section [" +
                                              toUtf8(section_->written) + "]; the launcher never reads it");
            }
            return;
        }
        if (name != u16(key->name)) {
            report(Severity::Warning, "key " + quoted(name) + " is spelled " + quotedName(key->name) +
                                          " in embedded settings, which match names exactly");
        }
        const std::u16string seenName = section_->written + u"\n" + u16(key->name);
        if (std::find(seen_.begin(), seen_.end(), seenName) != seen_.end()) {
            report(Severity::Warning,
                   "key " + quotedName(key->name) +
                       " appears twice in this section; the launcher reads only the first");
        }
        seen_.push_back(seenName);
        if (value.empty()) return;  // an empty value counts as absent
        if (sameKey(*key, qx::key::kMainClass)) mainClass_ = true;
        lintValue(*key, value);
    }

    void reportMisplaced(const std::u16string& name, const SettingKey& key) {
        report(Severity::Warning, "key " + quoted(name) + " belongs in section [" + toUtf8(u16(key.section)) +
                                      "]; in [" + toUtf8(section_->written) +
                                      "] the launcher never reads it");
    }

    void lintValue(const SettingKey& key, const std::u16string& value) {
        const std::string keyName = quotedName(key.name);
        switch (key.kind) {
            case SettingKind::YesFlag:
                if (!sameIgnoringCase(value, u"yes") && !sameIgnoringCase(value, u"no")) {
                    report(Severity::Warning, keyName + " is on only for \"Yes\" (any case); " +
                                                  quoted(value) + " leaves it off");
                }
                break;
            case SettingKind::NoFlag:
                if (!sameIgnoringCase(value, u"yes") && !sameIgnoringCase(value, u"no")) {
                    report(Severity::Warning, keyName + " is off only for \"No\" (any case); " +
                                                  quoted(value) + " leaves it on");
                }
                break;
            case SettingKind::ExactYesFlag:
                if (value != u"yes" && sameIgnoringCase(value, u"yes")) {
                    report(Severity::Warning, keyName + " is on only for \"yes\" in lower case; " +
                                                  quoted(value) + " leaves it off");
                } else if (value != u"yes" && !sameIgnoringCase(value, u"no")) {
                    report(Severity::Warning,
                           keyName + " is on only for \"yes\"; " + quoted(value) + " leaves it off");
                }
                break;
            case SettingKind::Version:
                lintBound(keyName, value);
                break;
            case SettingKind::Word:
            case SettingKind::ProviderWord:
                lintWord(key, value);
                break;
            case SettingKind::List:
                if (sameKey(key, qx::key::kPreferredVersions)) lintPreferred(value);
                if (sameKey(key, qx::key::kClassPath)) lintClassPath(value);
                break;
            case SettingKind::Text:
                if (sameKey(key, qx::key::kVmParameters)) lintVmParameters(value);
                if (sameKey(key, qx::key::kSplashImage)) lintSplashImage(value);
                break;
        }
    }

    void lintBound(const std::string& keyName, const std::u16string& value) {
        if (value == u"any") return;
        qx::JavaVersion version;
        if (sameIgnoringCase(value, u"any")) {
            report(Severity::Error,
                   keyName + " " + quoted(value) +
                       " is not the word \"any\" (lower case only) and holds no version number");
        } else if (!qx::parseJavaVersion(toWide(value), qx::kVersionFillLow, version)) {
            report(Severity::Error,
                   keyName + " " + quoted(value) +
                       " is not a version; write a number such as 11 or 1.8.0_202, or \"any\"");
        }
    }

    void lintPreferred(const std::u16string& value) {
        std::vector<std::wstring> entries;
        qx::splitText(toWide(value), L";", entries);
        for (const std::wstring& entry : entries) {
            qx::JavaVersion version;
            if (entry.empty()) {
                report(Severity::Warning, "an empty entry of \"Preferred versions\" prefers every version");
            } else if (!qx::parseJavaVersion(entry, qx::kVersionFillLow, version)) {
                report(Severity::Error, "\"Preferred versions\" entry " + quoted(fromWide(entry)) +
                                            " is not a version number");
            }
        }
    }

    void lintWord(const SettingKey& key, const std::u16string& value) {
        for (const AcceptedWords& accepted : kWords) {
            if (!sameKey(*accepted.key, key)) continue;
            const bool ignoreCase = key.kind == SettingKind::ProviderWord;
            for (const std::u16string& word : accepted.words) {
                if (ignoreCase ? sameIgnoringCase(word, value) : word == value) return;
            }
            report(accepted.severity,
                   quotedName(key.name) + " " + quoted(value) + " is not one of " + wordList(accepted.words) +
                       (ignoreCase ? " (any case)" : " (exact words)") + "; " + accepted.effect);
        }
    }

    void lintVmParameters(const std::u16string& value) {
        for (const std::wstring& raw : qx::splitVmParameters(toWide(value))) {
            const std::wstring token = qx::removeVmParameterQuotes(raw);
            unsigned long long percent = 0;
            if (qx::isMemoryShare(token)) {
                const std::u16string share = fromWide(token);
                if (!isWellFormedShare(share, percent)) {
                    report(Severity::Error, "memory share " + quoted(share) + " is out of form; write " +
                                                toUtf8(share.substr(0, 4)) +
                                                "<percent>[:<min MB>[:<max MB>]]" +
                                                toUtf8(share.substr(share.size() - 1)));
                } else if (percent > kMaxPercent) {
                    report(Severity::Warning,
                           "memory share " + quoted(share) + " asks for more than 100 percent");
                }
            } else if (token.compare(0, 4, L"-Xss") == 0 && qx::parseStackSize(token.substr(4)) == 0) {
                report(Severity::Warning,
                       "thread stack size " + quoted(fromWide(token)) +
                           " does not parse; the launcher starts the VM thread with the default size");
            }
        }
    }

    void lintClassPath(const std::u16string& value) {
        std::vector<std::wstring> pieces;
        qx::splitText(toWide(value), L";", pieces);
        for (const std::wstring& piece : pieces) {
            // Environment variables are expanded on the user's machine, not here.
            if (piece.empty() || piece.find(L'%') != std::wstring::npos) continue;
            const std::u16string shown = fromWide(piece);
            if (qx::isLiteralClassPathPiece(piece)) {
                if (probe_(shown) == PathProbe::Missing) {
                    report(Severity::Warning, "class path piece " + quoted(shown) +
                                                  " names no file; the launcher passes it on all the same");
                }
                continue;
            }
            const qx::ClassPathSearch search = qx::classPathSearch(piece, toWide(input_->launcherFolder));
            if (probe_(fromWide(search.pattern)) == PathProbe::Missing) {
                report(Severity::Warning, "class path piece " + quoted(shown) +
                                              " matches nothing beside the launcher; the launcher drops it");
            }
        }
    }

    void lintSplashImage(const std::u16string& value) {
        // Environment variables are expanded on the user's machine, not here.
        if (!imageProbe_ || value.find(u'%') != std::u16string::npos) return;
        const std::u16string path =
            qx::isAbsolutePath(toWide(value)) ? value : input_->launcherFolder + u"\\" + value;
        switch (imageProbe_(path)) {
            case ImageProbe::Missing:
                report(Severity::Warning, "splash image " + quoted(value) +
                                              " names no file; the application starts without a splash");
                break;
            case ImageProbe::NotAnImage:
                report(Severity::Warning, "splash image " + quoted(value) +
                                              " is not a PNG, GIF or JPEG image; the application starts "
                                              "without a splash");
                break;
            case ImageProbe::SplashImage:
            case ImageProbe::Unknown:
                break;
        }
    }

    std::vector<LintFinding>& findings_;
    const ClassPathProber& probe_;
    const ImageProber& imageProbe_;
    const LintInput* input_ = nullptr;
    size_t line_ = 0;
    std::optional<OpenSection> section_;
    std::vector<std::u16string> seen_;
    bool mainClass_ = false;
};

}  // namespace

std::vector<LintFinding> lintSettings(const std::vector<LintInput>& inputs, const ClassPathProber& probe,
                                      const ImageProber& imageProbe) {
    std::vector<LintFinding> findings;
    Linter linter(findings, probe, imageProbe);
    for (const LintInput& input : inputs) linter.lint(input);
    if (!linter.sawMainClass()) {
        findings.push_back(
            LintFinding{inputs.empty() ? std::string() : inputs.front().source, 0, Severity::Error,
                        "no \"Main Class\" in section [Java Runtime Environment]; the launcher "
                        "refuses to start"});
    }
    return findings;
}

int lintExitCode(const std::vector<LintFinding>& findings) {
    int code = 0;
    for (const LintFinding& f : findings) code = std::max(code, f.severity == Severity::Error ? 2 : 1);
    return code;
}

std::string formatFinding(const LintFinding& finding) {
    std::string out = finding.source;
    if (finding.line != 0) out += ":" + std::to_string(finding.line);
    out += finding.severity == Severity::Error ? ": error: " : ": warning: ";
    return out + finding.message;
}

}  // namespace qxpack
