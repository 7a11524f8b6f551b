#include "settings/launch_arguments.h"

#include "base/split_text.h"
#include "core/text_codec.h"
#include "core/wide_text.h"
#include "vm/vm_parameter_text.h"

namespace qxpack {

namespace {

bool isSeparator(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool isQuote(char16_t c) { return c == u'"' || c == u'\''; }
bool isAlphanumeric(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

std::string shown(const std::u16string& text) { return "\"" + toUtf8(text) + "\""; }

// What a reference to `name` reads as in the launcher's settings.
std::u16string launcherReference(const std::u16string& name) {
    std::u16string upper;
    for (char16_t c : name) upper.push_back(c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c);
    const std::u16string folder = u"%" + std::u16string(kLauncherFolderVariable) + u"%";
    if (upper == u"APPDIR") return folder + u"\\" + kAppFolderName;
    if (upper == u"BINDIR" || upper == u"ROOTDIR") return folder;
    return u"%" + name + u"%";
}

// The length of the reference that starts with the "$" at `at`, and its name; 0 when the "$" is plain.
size_t referenceAt(const std::u16string& value, size_t at, std::u16string& name) {
    size_t end = at + 1;
    if (end < value.size() && value[end] == u'{') {
        const size_t close = value.find(u'}', end + 1);
        if (close == std::u16string::npos || close == end + 1) return 0;
        name = value.substr(end + 1, close - end - 1);
        for (char16_t c : name) {
            if (c < 0x20 || c == u'%' || c == u'=' || c == u'$' || c == u'{') return 0;
        }
        return close + 1 - at;
    }
    while (end < value.size() && isAlphanumeric(value[end])) ++end;
    name = value.substr(at + 1, end - at - 1);
    return name.empty() ? 0 : end - at;
}

// `piece` in double quotes for the launcher's option tokens, each quote of its own written as a doubled
// quote that closes one quoted stretch and leaves the quote behind.
std::u16string quotedOption(const std::u16string& piece) {
    if (piece.find_first_of(u" \"") == std::u16string::npos) return piece;
    std::u16string out = u"\"";
    for (char16_t c : piece) out += c == u'"' ? std::u16string(u"\"\"\"") : std::u16string(1, c);
    return out + u"\"";
}

// The java launcher's options whose value may come as the next word; the VM takes them only as
// OPTION=VALUE, as the java launcher hands them on.
const char16_t* const kSeparateValueOptions[] = {
    u"--add-reads",    u"--add-exports",          u"--add-opens",
    u"--add-modules",  u"--limit-modules",        u"--upgrade-module-path",
    u"--patch-module", u"--enable-native-access", u"--module-path"};

// The java launcher's options that choose what it runs, which the VM does not take.
const char16_t* const kLauncherOnlyOptions[] = {u"-cp",  u"-classpath", u"--class-path",
                                                u"-jar", u"-m",         u"--module"};

bool joinOptionValues(std::vector<LaunchPiece>& options, std::string& error) {
    std::vector<LaunchPiece> joined;
    for (size_t i = 0; i < options.size(); ++i) {
        LaunchPiece option = options[i];
        for (const char16_t* name : kLauncherOnlyOptions) {
            if (option.text == name) {
                error =
                    shown(option.written) +
                    " is an option of the java launcher, not of the VM: the jars of --input make the class "
                    "path and --main-class names the class";
                return false;
            }
        }
        if (option.text == u"-p") option.text = u"--module-path";
        for (const char16_t* name : kSeparateValueOptions) {
            if (option.text != name) continue;
            if (i + 1 == options.size()) {
                error = shown(option.written) + " needs its value";
                return false;
            }
            const LaunchPiece& value = options[++i];
            option.written += u" " + value.written;
            option.text += u"=" + value.text;
            option.refersToVariable = option.refersToVariable || value.refersToVariable;
            option.literalPercent = option.literalPercent || value.literalPercent;
        }
        joined.push_back(std::move(option));
    }
    options = std::move(joined);
    return true;
}

}  // namespace

bool splitLaunchValue(const std::u16string& value, std::vector<LaunchPiece>& pieces, std::string& error) {
    LaunchPiece piece;
    bool started = false;
    char16_t quote = 0;
    const auto literal = [&piece](char16_t c) {
        piece.written.push_back(c);
        piece.text.push_back(c);
        piece.literalPercent = piece.literalPercent || c == u'%';
    };
    for (size_t i = 0; i < value.size();) {
        const char16_t c = value[i];
        if (quote == 0 && isSeparator(c)) {
            if (started) pieces.push_back(std::move(piece));
            piece = LaunchPiece{};
            started = false;
            ++i;
            continue;
        }
        started = true;
        if (c == u'\\' && i + 1 < value.size() &&
            (isQuote(value[i + 1]) || value[i + 1] == u'$' || (quote == 0 && isSeparator(value[i + 1])))) {
            literal(value[i + 1]);
            i += 2;
        } else if (quote == 0 && isQuote(c)) {
            quote = c;
            ++i;
        } else if (quote != 0 && c == quote) {
            quote = 0;
            ++i;
        } else if (std::u16string name; c == u'$' && referenceAt(value, i, name) > 0) {
            const size_t length = referenceAt(value, i, name);
            piece.written.append(value, i, length);
            piece.text += launcherReference(name);
            piece.refersToVariable = true;
            i += length;
        } else if (c < 0x20) {
            error = "a control character in " + shown(value) + ": the settings hold one line per value";
            return false;
        } else {
            literal(c);
            ++i;
        }
    }
    if (quote != 0) {
        error = "the quote " + toUtf8(std::u16string(1, quote)) + " in " + shown(value) + " is not closed";
        return false;
    }
    if (started) pieces.push_back(std::move(piece));
    return true;
}

bool vmParametersValue(std::vector<LaunchPiece> options, std::u16string& value, std::string& error) {
    if (!joinOptionValues(options, error)) return false;
    const std::u16string folder = u"%" + std::u16string(kLauncherFolderVariable) + u"%";
    std::u16string out;
    for (const LaunchPiece& option : options) {
        // A variable of the environment may hold an option; the application's folder never does.
        const bool fromEnvironment = option.refersToVariable && option.text[0] == u'%' &&
                                     option.text.compare(0, folder.size(), folder) != 0;
        if (option.text.empty() || (option.text[0] != u'-' && !fromEnvironment)) {
            error = shown(option.written) +
                    " is not a JVM option (they begin with \"-\"); quote an option that holds blanks, as in "
                    "-Dname=\"a b\"";
            return false;
        }
        if (!out.empty()) out += u' ';
        out += quotedOption(option.text);
    }
    const std::vector<std::wstring> tokens = qx::splitVmParameters(toWide(out));
    bool same = tokens.size() == options.size();
    for (size_t i = 0; same && i < tokens.size(); ++i)
        same = fromWide(qx::removeVmParameterQuotes(tokens[i])) == options[i].text;
    if (!same) {
        error = "the options cannot be written so that the launcher reads them back unchanged";
        return false;
    }
    value = out;
    return true;
}

bool cmdValue(const std::vector<LaunchPiece>& arguments, std::u16string& value, std::string& error) {
    std::u16string out;
    for (const LaunchPiece& argument : arguments) {
        const std::u16string& text = argument.text;
        const bool quoted = argument.refersToVariable || text.find(u' ') != std::u16string::npos;
        if (text.empty()) {
            error = "an empty argument cannot be passed: the launcher drops empty arguments of its settings";
            return false;
        }
        if (text[0] == u'"' || (quoted && text.find(u'"') != std::u16string::npos)) {
            error = shown(argument.written) +
                    " cannot be passed: the launcher's settings cannot hold an argument that begins with a "
                    "double quote, or holds one besides blanks or a $ reference";
            return false;
        }
        if (!out.empty()) out += u' ';
        out += quoted ? u"\"" + text + u"\"" : text;
    }
    std::vector<std::wstring> split;
    qx::splitArguments(toWide(out), split);
    bool same = split.size() == arguments.size();
    for (size_t i = 0; same && i < split.size(); ++i) same = fromWide(split[i]) == arguments[i].text;
    if (!same) {
        error = "the arguments cannot be written so that the launcher reads them back unchanged";
        return false;
    }
    value = out;
    return true;
}

std::vector<std::string> launchValueWarnings(const std::string& option,
                                             const std::vector<LaunchPiece>& pieces) {
    std::vector<std::string> warnings;
    for (const LaunchPiece& piece : pieces) {
        if (piece.literalPercent) {
            warnings.push_back(option + " " + shown(piece.written) +
                               ": the launcher expands %NAME% from the environment at start, so a % may not "
                               "stay as written");
        }
        const std::wstring text = toWide(piece.text);
        if (qx::isMemoryShare(text) && (text.back() == L't' || text.back() == L'T')) {
            warnings.push_back(option + " " + shown(piece.written) +
                               ": the launcher reads a size ending in t as a share of the free address "
                               "space, not as terabytes; write it in g");
        }
    }
    return warnings;
}

}  // namespace qxpack
