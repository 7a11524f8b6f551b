// The two text splitters and the command line that becomes Java's argument list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/split_text.h"
#include "launch/command_line.h"

namespace qx {
namespace {

using Pieces = std::vector<std::wstring>;

struct SplitCase {
    const wchar_t* text;
    const wchar_t* delimiter;
    Pieces pieces;
};

TEST(SplitText, EmptyPiecesStayButATrailingDelimiterAddsNone) {
    const SplitCase cases[] = {
        {L"", L";", {}},
        {L"abc", L";", {L"abc"}},
        {L"a;;b", L";", {L"a", L"", L"b"}},
        {L"a;", L"a", {L"", L";"}},
        {L"a;", L";", {L"a"}},
        {L";a", L";", {L"", L"a"}},
        {L";", L";", {L""}},
        {L";;", L";", {L"", L""}},
        {L"a\r\n\r\nb", L"\r\n", {L"a", L"", L"b"}},
        {L"a\r\n", L"\r\n", {L"a"}},
        {L"a\nb\rc", L"\r\n", {L"a\nb\rc"}},
        {L"a\r\r\nb", L"\r\n", {L"a\r", L"b"}},
        {L"C:\\a\\\\b\\", L"\\", {L"C:", L"a", L"", L"b"}},
        {L"xAbAAc", L"Ab", {L"x", L"AAc"}},
    };
    for (const SplitCase& c : cases) {
        Pieces pieces = {L"left over"};
        splitText(c.text, c.delimiter, pieces);
        EXPECT_EQ(pieces, c.pieces) << "text '" << c.text << "' at '" << c.delimiter << "'";
    }
}

struct ArgumentCase {
    const wchar_t* text;
    Pieces arguments;
};

TEST(SplitArguments, OnlySpacesSeparateAndOnlyALeadingQuoteQuotes) {
    const ArgumentCase cases[] = {
        {L"", {}},
        {L"one  two", {L"one", L"two"}},
        {L"\"a b\" c", {L"a b", L"c"}},
        {L"\"a b", {L"a b"}},
        {L"\"\"", {L""}},
        {L"\"", {L""}},
        {L"x \"", {L"x", L""}},
        {L" x", {L"", L"x"}},
        {L"x   ", {L"x"}},
        {L"a\"b c\"", {L"a\"b", L"c\""}},
        {L"a\"b c\"d", {L"a\"b", L"c\"d"}},
        {L"\"ab\"cd", {L"ab", L"cd"}},
        {L"\"ab\"\"cd\"", {L"ab", L"cd"}},
        {L"a\tb", {L"a\tb"}},
        {L"\"C:\\dir\\\\\" next", {L"C:\\dir\\\\", L"next"}},
        {L"\\\"x\\\"", {L"\\\"x\\\""}},
    };
    for (const ArgumentCase& c : cases) {
        Pieces arguments;
        splitArguments(c.text, arguments);
        EXPECT_EQ(arguments, c.arguments) << "text '" << c.text << "'";
    }
}

TEST(SplitArguments, AppendsToWhatTheListHolds) {
    Pieces arguments = {L"first"};
    splitArguments(L"second third", arguments);
    EXPECT_EQ(arguments, (Pieces{L"first", L"second", L"third"}));
}

TEST(CommandLine, EverythingAfterTheProgramPathReachesJavaInOrder) {
    const ArgumentCase cases[] = {
        {L"", {}},
        {L"   \t ", {}},
        {L"run.exe", {}},
        {L"run.exe \t  ", {}},
        {L"\"C:\\My Apps\\run.exe\" one two", {L"one", L"two"}},
        {L"  \"C:\\My Apps\\run.exe\"   one  ", {L"one"}},
        {L"C:\\My Apps\\app.exe x", {L"Apps\\app.exe", L"x"}},
        {L"run.exe x \"", {L"x", L""}},
        {L"run.exe\r\n", {}},
        {L"\x3000run.exe one\x3000", {L"one"}},
    };
    for (const ArgumentCase& c : cases) {
        EXPECT_EQ(commandLineArguments(c.text), c.arguments) << "command line '" << c.text << "'";
    }
}

}  // namespace
}  // namespace qx
