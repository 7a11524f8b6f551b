// The picture of a date-time file name: where it sits and the milliseconds put into it.
#include <string>

#include "diag/time_picture.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring name = qxfuzz::units(data, size);
    const unsigned millis = static_cast<unsigned>(qxfuzz::mix(data, size) % 1000);

    qx::TimePicture found;
    found.picture = L"untouched";
    if (!qx::findTimePicture(name, millis, found)) {
        QX_FUZZ_CHECK(name.find(L'%') == std::wstring::npos && found.picture == L"untouched");
        return 0;
    }
    QX_FUZZ_CHECK(found.first <= found.last && found.last < name.size());
    QX_FUZZ_CHECK(name[found.first] == L'%' && name[found.last] == L'%');
    QX_FUZZ_CHECK(name.find(L'%') == found.first && name.rfind(L'%') == found.last);
    QX_FUZZ_CHECK(found.picture.find(L'L') == std::wstring::npos);

    // Without "L" the picture is the text between the outer "%"; each "L" adds the milliseconds' digits.
    const std::wstring between = found.last > found.first
                                     ? name.substr(found.first + 1, found.last - found.first - 1)
                                     : std::wstring();
    size_t ells = 0;
    for (wchar_t c : between) ells += c == L'L';
    QX_FUZZ_CHECK(found.picture.size() == between.size() - ells + ells * std::to_wstring(millis).size());
    if (ells == 0) QX_FUZZ_CHECK(found.picture == between);

    // Putting the stretch back restores the name; an empty stamp leaves no "%" at all.
    QX_FUZZ_CHECK(
        qx::replaceTimePicture(name, found, name.substr(found.first, found.last - found.first + 1)) == name);
    const std::wstring bare = qx::replaceTimePicture(name, found, L"");
    QX_FUZZ_CHECK(bare.find(L'%') == std::wstring::npos);
    QX_FUZZ_CHECK(bare.size() == name.size() - (found.last - found.first + 1));
    return 0;
}
