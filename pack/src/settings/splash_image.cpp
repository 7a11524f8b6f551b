#include "settings/splash_image.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "settings/class_path_probe.h"
#include "core/text_codec.h"

namespace qxpack {

namespace {

bool startsWith(const Bytes& data, const std::string& signature) {
    return data.size() >= signature.size() &&
           std::equal(signature.begin(), signature.end(), data.begin(),
                      [](char s, uint8_t d) { return static_cast<uint8_t>(s) == d; });
}

constexpr size_t kLongestSignature = 8;

}  // namespace

bool isSplashImageFormat(const Bytes& data) {
    return startsWith(data, std::string("\x89PNG\r\n\x1a\n", 8)) || startsWith(data, "GIF87a") ||
           startsWith(data, "GIF89a") || startsWith(data, "\xFF\xD8\xFF");
}

ImageProbe probeSplashImage(const std::u16string& path) {
    const std::optional<std::u16string> native = nativePathOf(path);
    if (!native) return ImageProbe::Unknown;
    std::ifstream file(std::filesystem::u8path(toUtf8(*native)), std::ios::binary);
    if (!file) return ImageProbe::Missing;
    Bytes head(kLongestSignature);
    file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(file.gcount()));
    return isSplashImageFormat(head) ? ImageProbe::SplashImage : ImageProbe::NotAnImage;
}

}  // namespace qxpack
