#include "diag/time_pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace {

SYSTEMTIME at(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD millis) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    t.wMilliseconds = millis;
    return t;
}

std::wstring expanded(std::wstring name, const SYSTEMTIME& time) {
    qx::expandTimePattern(name, time);
    return name;
}

TEST(TimePattern, PictureBetweenFirstAndLastPercentBecomesDateAndTime) {
    const SYSTEMTIME t = at(2024, 1, 15, 15, 30, 12, 45);
    EXPECT_EQ(expanded(L"out_%yy-MM-dd_HH-mm-ss.L%.log", t), L"out_24-01-15_15-30-12.45.log");
    EXPECT_EQ(expanded(L"C:\\logs\\out-%yyyyMMdd-HHmmss%.txt", t), L"C:\\logs\\out-20240115-153012.txt");
    // Milliseconds without leading zeros, every "L" replaced.
    EXPECT_EQ(expanded(L"%L-L%", at(2024, 1, 15, 0, 0, 0, 7)), L"7-7");
}

TEST(TimePattern, NamesWithoutAPictureStayAsTheyAre) {
    const SYSTEMTIME t = at(2024, 1, 15, 15, 30, 12, 45);
    EXPECT_EQ(expanded(L"", t), L"");
    EXPECT_EQ(expanded(L"plain.log", t), L"plain.log");
    // One "%" is an empty picture: only the sign goes.
    EXPECT_EQ(expanded(L"a%b.log", t), L"ab.log");
    EXPECT_EQ(expanded(L"a%%b.log", t), L"ab.log");
}

TEST(TimePattern, InnerPercentSignsAndOverlongPicturesNeverOverrun) {
    const SYSTEMTIME t = at(2024, 1, 15, 15, 30, 12, 45);
    // The inner signs belong to the one picture and reach the formatters unchanged.
    const std::wstring inner = expanded(L"x%HH%mm%ss%y", t);
    EXPECT_EQ(inner.substr(0, 1), L"x");
    EXPECT_EQ(inner.substr(inner.size() - 1), L"y");
    EXPECT_NE(inner.find(L"15"), std::wstring::npos);
    // A picture longer than the format buffer gives at most the buffer's worth of text.
    const std::wstring longName = L"a%" + std::wstring(300, L'H') + L"%b";
    const std::wstring out = expanded(longName, t);
    EXPECT_EQ(out.front(), L'a');
    EXPECT_EQ(out.back(), L'b');
    EXPECT_LE(out.size(), 2u + 260u);
}

}  // namespace
