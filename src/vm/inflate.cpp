#include "vm/inflate.h"

#include <cstdint>

namespace qx {
namespace {

constexpr int kMaxCodeBits = 15;
constexpr int kLiteralCodes = 288;  // 286 used, two more in the fixed code
constexpr int kDistanceCodes = 30;
constexpr int kEndOfBlock = 256;

constexpr uint16_t kLengthBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                    2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                      33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                      1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                      6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block gives the lengths of its code-length code.
constexpr uint8_t kCodeLengthOrder[] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Bits are taken from the least significant end of each byte, as DEFLATE packs them.
class BitReader {
public:
    BitReader(const unsigned char* data, size_t size) : data_(data), size_(size) {}

    bool bits(int count, uint32_t& value) {
        while (held_ < count) {
            if (next_ == size_) return false;
            buffer_ |= static_cast<uint32_t>(data_[next_++]) << held_;
            held_ += 8;
        }
        value = buffer_ & ((1u << count) - 1);
        buffer_ >>= count;
        held_ -= count;
        return true;
    }

    // A stored block starts at the next byte boundary.
    void dropPartialByte() {
        buffer_ = 0;
        held_ = 0;
    }

    bool bytes(size_t count, std::string& out) {
        if (size_ - next_ < count) return false;
        out.append(reinterpret_cast<const char*>(data_ + next_), count);
        next_ += count;
        return true;
    }

private:
    const unsigned char* data_;
    size_t size_;
    size_t next_ = 0;
    uint32_t buffer_ = 0;
    int held_ = 0;
};

// A canonical Huffman code: how many codes each length has and the symbols in code order.
struct HuffmanCode {
    uint16_t count[kMaxCodeBits + 1];
    uint16_t symbol[kLiteralCodes];
};

// False when the lengths ask for more codes than their bit counts allow. An incomplete code is
// accepted (a block may use a single distance code); its unused codes fail when decoded.
bool buildCode(HuffmanCode& code, const uint8_t* lengths, int symbols) {
    for (uint16_t& c : code.count) c = 0;
    for (int s = 0; s < symbols; ++s) ++code.count[lengths[s]];
    int left = 1;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
        left = (left << 1) - code.count[len];
        if (left < 0) return false;
    }
    uint16_t offset[kMaxCodeBits + 1] = {};
    for (int len = 1; len < kMaxCodeBits; ++len) offset[len + 1] = offset[len] + code.count[len];
    for (int s = 0; s < symbols; ++s) {
        if (lengths[s] != 0) code.symbol[offset[lengths[s]]++] = static_cast<uint16_t>(s);
    }
    return true;
}

// One symbol, read a bit at a time; -1 for a code the table does not hold or the end of the data.
int decodeSymbol(BitReader& in, const HuffmanCode& code) {
    int value = 0, first = 0, index = 0;
    for (int len = 1; len <= kMaxCodeBits; ++len) {
        uint32_t bit = 0;
        if (!in.bits(1, bit)) return -1;
        value |= static_cast<int>(bit);
        const int count = code.count[len];
        if (value - first < count) return code.symbol[index + value - first];
        index += count;
        first = (first + count) << 1;
        value <<= 1;
    }
    return -1;
}

bool inflateStored(BitReader& in, size_t limit, std::string& out) {
    in.dropPartialByte();
    uint32_t length = 0, complement = 0;
    if (!in.bits(16, length) || !in.bits(16, complement) || (length ^ 0xFFFFu) != complement) return false;
    if (limit - out.size() < length) return false;
    return in.bytes(length, out);
}

bool inflateCodes(BitReader& in, const HuffmanCode& literals, const HuffmanCode& distances, size_t limit,
                  std::string& out) {
    for (;;) {
        const int symbol = decodeSymbol(in, literals);
        if (symbol < 0) return false;
        if (symbol == kEndOfBlock) return true;
        if (symbol < kEndOfBlock) {
            if (out.size() == limit) return false;
            out.push_back(static_cast<char>(symbol));
            continue;
        }
        const int lengthIndex = symbol - kEndOfBlock - 1;
        if (lengthIndex >= static_cast<int>(sizeof kLengthBase / sizeof *kLengthBase)) return false;
        uint32_t extra = 0;
        if (!in.bits(kLengthExtra[lengthIndex], extra)) return false;
        const size_t length = kLengthBase[lengthIndex] + extra;

        const int distanceIndex = decodeSymbol(in, distances);
        if (distanceIndex < 0 || distanceIndex >= kDistanceCodes) return false;
        if (!in.bits(kDistanceExtra[distanceIndex], extra)) return false;
        const size_t distance = kDistanceBase[distanceIndex] + extra;
        if (distance > out.size() || limit - out.size() < length) return false;
        // The copy may overlap what it writes: byte by byte.
        for (size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
    }
}

bool inflateFixed(BitReader& in, size_t limit, std::string& out) {
    uint8_t lengths[kLiteralCodes];
    int s = 0;
    for (; s < 144; ++s) lengths[s] = 8;
    for (; s < 256; ++s) lengths[s] = 9;
    for (; s < 280; ++s) lengths[s] = 7;
    for (; s < kLiteralCodes; ++s) lengths[s] = 8;
    HuffmanCode literals, distances;
    buildCode(literals, lengths, kLiteralCodes);
    for (s = 0; s < kDistanceCodes; ++s) lengths[s] = 5;
    buildCode(distances, lengths, kDistanceCodes);
    return inflateCodes(in, literals, distances, limit, out);
}

bool inflateDynamic(BitReader& in, size_t limit, std::string& out) {
    uint32_t literalCount = 0, distanceCount = 0, lengthCodeCount = 0;
    if (!in.bits(5, literalCount) || !in.bits(5, distanceCount) || !in.bits(4, lengthCodeCount)) return false;
    literalCount += 257;
    distanceCount += 1;
    lengthCodeCount += 4;
    if (literalCount > 286 || distanceCount > kDistanceCodes) return false;

    uint8_t lengths[kLiteralCodes + kDistanceCodes] = {};
    for (uint32_t i = 0; i < lengthCodeCount; ++i) {
        uint32_t length = 0;
        if (!in.bits(3, length)) return false;
        lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(length);
    }
    HuffmanCode lengthCode;
    if (!buildCode(lengthCode, lengths, 19)) return false;

    const uint32_t total = literalCount + distanceCount;
    for (uint32_t i = 0; i < total;) {
        const int symbol = decodeSymbol(in, lengthCode);
        if (symbol < 0) return false;
        if (symbol < 16) {
            lengths[i++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t repeated = 0;
        uint32_t times = 0;
        if (symbol == 16) {
            if (i == 0 || !in.bits(2, times)) return false;
            repeated = lengths[i - 1];
            times += 3;
        } else if (symbol == 17) {
            if (!in.bits(3, times)) return false;
            times += 3;
        } else {
            if (!in.bits(7, times)) return false;
            times += 11;
        }
        if (total - i < times) return false;
        while (times-- > 0) lengths[i++] = repeated;
    }
    // A block without an end-of-block code could never end.
    if (lengths[kEndOfBlock] == 0) return false;

    HuffmanCode literals, distances;
    if (!buildCode(literals, lengths, static_cast<int>(literalCount))) return false;
    if (!buildCode(distances, lengths + literalCount, static_cast<int>(distanceCount))) return false;
    return inflateCodes(in, literals, distances, limit, out);
}

}  // namespace

bool inflateRaw(const unsigned char* data, size_t size, size_t limit, std::string& out) {
    out.clear();
    BitReader in(data, size);
    for (uint32_t last = 0; last == 0;) {
        uint32_t type = 0;
        if (!in.bits(1, last) || !in.bits(2, type)) return false;
        const bool decoded = type == 0   ? inflateStored(in, limit, out)
                             : type == 1 ? inflateFixed(in, limit, out)
                             : type == 2 ? inflateDynamic(in, limit, out)
                                         : false;
        if (!decoded) return false;
    }
    return true;
}

}  // namespace qx
