#include "installer/wix_writer.h"

#include <cstdio>

namespace qxpack {

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char reference[8];
                    std::snprintf(reference, sizeof reference, "&#x%X;", static_cast<unsigned>(c));
                    out += reference;
                } else {
                    out.push_back(c);
                }
        }
    }
    return out;
}

XmlWriter::XmlWriter() : out_("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n") {}

void XmlWriter::start(std::string_view element, const std::vector<Attribute>& attributes) {
    out_ += std::string(open_.size() * 2, ' ') + "<" + std::string(element);
    for (const Attribute& a : attributes)
        out_ += " " + std::string(a.name) + "=\"" + xmlEscaped(a.value) + "\"";
}

void XmlWriter::open(std::string_view element, const std::vector<Attribute>& attributes) {
    start(element, attributes);
    out_ += ">\n";
    open_.emplace_back(element);
}

void XmlWriter::leaf(std::string_view element, const std::vector<Attribute>& attributes) {
    start(element, attributes);
    out_ += "/>\n";
}

void XmlWriter::text(const std::string& content) {
    if (!out_.empty() && out_.back() == '\n') out_.pop_back();
    out_ += xmlEscaped(content);
    inText_ = true;
}

void XmlWriter::close() {
    if (open_.empty()) return;
    if (!inText_) out_ += std::string((open_.size() - 1) * 2, ' ');
    out_ += "</" + open_.back() + ">\n";
    open_.pop_back();
    inText_ = false;
}

std::string XmlWriter::finish() {
    while (!open_.empty()) close();
    return out_;
}

}  // namespace qxpack
