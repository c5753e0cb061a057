#pragma once

// What the reader and the writer of list records share: the tags that stand before each
// value, the signature that opens a record, the longest stored text.

#include <QtGlobal>

namespace ComponentStream::Format {

enum Tag : quint8 {
    TagEnd = 0,
    TagList = 1,
    TagInt8 = 2,
    TagInt16 = 3,
    TagInt32 = 4,
    TagExtended = 5,
    TagString = 6,
    TagIdent = 7,
    TagFalse = 8,
    TagTrue = 9,
    TagBinary = 10,
    TagSet = 11,
    TagLongString = 12,
    TagNil = 13,
    TagCollection = 14,
    TagSingle = 15,
    TagCurrency = 16,
    TagDate = 17,
    TagWideString = 18,
    TagInt64 = 19,
    TagUtf8String = 20,
    TagDouble = 21,
};

inline constexpr char Signature[] = "TPF0";
inline constexpr int MaxStoredTextLength = 255;

} // namespace ComponentStream::Format
