// The Java properties file form ("key=value", "key: value", "key value"), as Java developers write
// the file associations of their packages.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace qxpack {

struct Property {
    std::u16string key;
    std::u16string value;
    size_t line = 0;  // where the entry starts, from 1
};

// The entries of `text` in their order, as java.util.Properties reads them: "#" and "!" start comment
// lines, a line ending in an odd number of backslashes goes on in the next one (whose leading blanks
// are dropped), the key ends at the first unescaped "=", ":" or blank, and backslash escapes (\t \n
// \r \f \uXXXX, any other character standing for itself) apply in keys and values. A malformed \u
// escape is kept as written rather than refused.
std::vector<Property> parseProperties(const std::u16string& text);

}  // namespace qxpack
