#include "Result.h"

namespace parvel {

Error makeError(int number) {
    switch (number) {
        case err::InvalidCall: return {number, "Invalid procedure call or argument"};
        case err::Overflow: return {number, "Overflow"};
        case err::OutOfMemory: return {number, "Out of memory"};
        case err::SubscriptOutOfRange: return {number, "Subscript out of range"};
        case err::TypeMismatch: return {number, "Type mismatch"};
        case err::BadFileName: return {number, "Bad file name or number"};
        case err::FileNotFound: return {number, "File not found"};
        case err::BadRecordNumber: return {number, "Bad record number"};
        case err::PathNotFound: return {number, "Path not found"};
        case err::InvalidPicture: return {number, "Invalid picture"};
    }
    return {number, "Application-defined or object-defined error"};
}

}  // namespace parvel
