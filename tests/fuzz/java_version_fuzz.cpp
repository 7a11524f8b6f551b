// Java version parse, compare, format, bounds and preferred-version matching.
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "runtime/java_version.h"

namespace {

int sign(int v) { return (v > 0) - (v < 0); }

bool same(const qx::JavaVersion& a, const qx::JavaVersion& b) { return qx::compareJavaVersions(a, b) == 0; }

// Printing drops trailing parts that are 0 or 65535, so reading the print back with the fill the
// dropped parts share gives the version again.
void checkRoundTrip(const qx::JavaVersion& v) {
    const std::wstring text = qx::formatJavaVersion(v);
    for (int32_t fill : {qx::kVersionFillLow, qx::kVersionFillHigh}) {
        qx::JavaVersion back;
        QX_FUZZ_CHECK(qx::parseJavaVersion(text, fill, back));
        if (text == L"0.0.0.0") continue;  // all parts were 0 or 65535, mixed
        int printed = 0;
        for (wchar_t c : text) printed += c == L'.';
        bool dropsFill = true;
        for (int i = printed + 1; i < 4; ++i) dropsFill = dropsFill && v.parts[i] == fill;
        if (dropsFill) QX_FUZZ_CHECK(same(back, v));
    }
    QX_FUZZ_CHECK(qx::matchesPreferredVersion(text, v));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::wstring> in = qxfuzz::fields(data, size, 3);
    std::vector<qx::JavaVersion> versions;
    for (const std::wstring& text : in) {
        for (int32_t fill : {qx::kVersionFillLow, qx::kVersionFillHigh}) {
            qx::JavaVersion v;
            v.parts[0] = 7;
            if (!qx::parseJavaVersion(text, fill, v)) {
                QX_FUZZ_CHECK(same(v, qx::JavaVersion{}));
                continue;
            }
            for (int32_t part : v.parts) QX_FUZZ_CHECK(part >= 0);
            checkRoundTrip(v);
            versions.push_back(v);
        }
    }

    for (const qx::JavaVersion& a : versions) {
        QX_FUZZ_CHECK(qx::compareJavaVersions(a, a) == 0);
        for (const qx::JavaVersion& b : versions) {
            const int ab = sign(qx::compareJavaVersions(a, b));
            QX_FUZZ_CHECK(ab == -sign(qx::compareJavaVersions(b, a)));
            for (const qx::JavaVersion& c : versions) {
                if (ab <= 0 && qx::compareJavaVersions(b, c) <= 0)
                    QX_FUZZ_CHECK(qx::compareJavaVersions(a, c) <= 0);
            }
            // A candidate at either end of a non-empty range is in it.
            if (ab <= 0 && !same(b, qx::JavaVersion{})) {
                QX_FUZZ_CHECK(qx::meetsVersionBounds(a, a, b) && qx::meetsVersionBounds(b, a, b));
            }
            const qx::RequirementMessage message = qx::requirementMessage(a, b);
            QX_FUZZ_CHECK(message.id >= 217 && message.id <= 221 && message.args.size() <= 2);
        }
    }

    // Each entry text against each version read from the input: an entry matches whatever its own
    // significant parts equal.
    for (const qx::JavaVersion& candidate : versions) {
        for (const std::wstring& entry : in) {
            qx::JavaVersion wanted;
            static_cast<void>(qx::parseJavaVersion(entry, qx::kVersionFillLow, wanted));
            if (same(wanted, candidate)) QX_FUZZ_CHECK(qx::matchesPreferredVersion(entry, candidate));
        }
    }
    return 0;
}
