// The one writer of the WiX source: every attribute value and every text passes through its escaping,
// so a product name such as Tom & Jerry's "App" reaches the installer builder as written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qxpack {

struct Attribute {
    std::string_view name;
    std::string value;  // UTF-8
};

class XmlWriter {
public:
    XmlWriter();  // starts the document with its UTF-8 declaration

    void open(std::string_view element, const std::vector<Attribute>& attributes = {});
    // An element without content: <element .../>.
    void leaf(std::string_view element, const std::vector<Attribute>& attributes = {});
    // Character content of the innermost open element.
    void text(const std::string& content);
    void close();  // closes the innermost open element

    // The document, every element still open closed.
    std::string finish();

private:
    void start(std::string_view element, const std::vector<Attribute>& attributes);

    std::string out_;
    std::vector<std::string> open_;
    bool inText_ = false;
};

// `text` escaped for an XML attribute value or character content: & < > " ' and every character below
// U+0020 become references.
std::string xmlEscaped(const std::string& text);

}  // namespace qxpack
