#pragma once

// The HTTP unit: the client component and the text helpers it sends and reads with.

#include "platform/base/DateTime.h"

#include <cstddef>
#include <string>

// ---------------------------------------------------------------------------------------
// Encodings, dates and document names
// ---------------------------------------------------------------------------------------

enum THttpEncoding { encUUEncode, encBase64, encMime };

// Base64 (encBase64 and encMime: RFC 2045 alphabet, "=" padding, no line breaks) or one
// uuencoded line without its line end (encUUEncode: at most 63 bytes, the most a line's
// length character can state).
std::string EncodeLine(THttpEncoding Encoding, const void* Data, std::size_t Len);
std::string EncodeStr(THttpEncoding Encoding, const std::string& Value);

// "Sat, 01 Jan 2000 00:00:00": the date as HTTP writes it, without the zone the caller
// appends (" GMT").
std::string RFC1123_Date(platform::TDateTime D);
// Reads a text laid out as RFC1123_Date writes it, by fixed columns. A field that is not
// a number reads as 0; a date or time that does not exist raises platform::EConvertError.
platform::TDateTime RFC1123_StrToDate(const std::string& S);

// FName up to and including its last "." followed by NewExt, or FName + "." + NewExt
// when it has no ".".
void ReplaceExt(std::string& FName, const std::string& NewExt);

// The file name proposed for the document at Path: its last segment without the query,
// "document.htm" when that is empty.
std::string DocNameFromPath(const std::string& Path);
