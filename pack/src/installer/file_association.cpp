#include "installer/file_association.h"

#include <filesystem>

#include "core/file_io.h"
#include "core/properties_text.h"
#include "core/text_codec.h"
#include "pe/icon_resources.h"

namespace qxpack {

namespace {

// A MIME type's two names, in the characters RFC 6838 allows them.
bool isMimeType(const std::u16string& text) {
    const size_t slash = text.find(u'/');
    if (slash == 0 || slash == std::u16string::npos || slash + 1 == text.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool plain = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
                           std::u16string(u"!#$&^_.+-").find(c) != std::u16string::npos;
        if (!plain && i != slash) return false;
    }
    return true;
}

}  // namespace

bool isPlainExtension(const std::u16string& extension) {
    bool plain = !extension.empty() && extension.size() <= 32;
    for (char16_t c : extension) {
        plain = plain && ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
                          c == u'_' || c == u'-');
    }
    return plain;
}

bool readFileAssociation(const std::string& path, const std::u16string& defaultDescription, FileType& type,
                         std::vector<std::string>& warnings, std::string& error) {
    Bytes bytes;
    if (!readFile(path, bytes, error)) {
        error = "--file-associations: " + error;
        return false;
    }
    std::u16string extension;
    std::u16string description;
    std::u16string mimeType;
    std::u16string icon;
    const std::string where = "--file-associations " + path;
    for (const Property& p : parseProperties(decodeTextFile(bytes).text)) {
        if (p.key == u"extension") {
            extension = trimmed(p.value);
        } else if (p.key == u"description") {
            description = trimmed(p.value);
        } else if (p.key == u"mime-type") {
            mimeType = trimmed(p.value);
        } else if (p.key == u"icon") {
            icon = trimmed(p.value);
        } else {
            warnings.push_back(
                where + ":" + std::to_string(p.line) + ": \"" + toUtf8(p.key) +
                "\" is not read; an association has extension, description, mime-type and icon");
        }
    }
    if (!extension.empty() && extension[0] == u'.') extension.erase(0, 1);
    if (extension.empty()) {
        error = where + ": no \"extension\": the association needs the extension of the files it opens";
        return false;
    }
    if (!isPlainExtension(extension)) {
        error = where + ": extension \"" + toUtf8(extension) +
                "\" is not one extension in letters, digits, - and _ (such as mydoc)";
        return false;
    }
    type = FileType{};
    type.extension = extension;
    type.description = description.empty() ? defaultDescription : description;
    if (!mimeType.empty() && !isMimeType(mimeType)) {
        warnings.push_back(where + ": mime-type \"" + toUtf8(mimeType) +
                           "\" is not of the form type/subtype; it is left out");
    } else {
        type.contentType = mimeType;
    }
    if (!icon.empty()) {
        Bytes ico;
        std::vector<IconImage> images;
        std::string iconError;
        if (!readFile(toUtf8(icon), ico, iconError) || !parseIcoFile(ico, images, iconError)) {
            warnings.push_back(where + ": icon " + toUtf8(icon) + ": " + iconError + "; ." +
                               toUtf8(extension) + " files show the application's icon instead");
        } else {
            type.iconPath = toUtf8(icon);
            type.iconName = fromUtf8(std::filesystem::u8path(type.iconPath).filename().u8string());
        }
    }
    return true;
}

}  // namespace qxpack
