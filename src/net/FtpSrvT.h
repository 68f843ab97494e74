#pragma once

// The FTP engine's date and time routines: the 14-digit FTP time text, file times in UTC
// and in local time, and the facts of an MLST or MLSD line.

#include "platform/base/DateTime.h"

#include <cstdint>
#include <string>

using platform::TDateTime;

// Minutes to add to local time to get UTC, as in force now.
int GetLocalBiasUTC();
TDateTime DateTimeToUTC(TDateTime Local);
TDateTime UTCToLocalDT(TDateTime Utc);

// The number as text of at least Digits digits, zeros in front.
std::string PadDigits(std::int64_t Value, int Digits);
// YYYYMMDDHHMMSS.mmm
std::string TimeDateStr(TDateTime Value);
// The file's modification time in UTC as TimeDateStr gives it; empty when it has none.
std::string FileUtcStr(const std::string& FileName);
// The point in time a TDateTime means when read as UTC, in seconds since the epoch.
std::int64_t UnixSecondsOfUTC(TDateTime Utc);
// A UTC time in seconds since the epoch as a TDateTime, to the second.
TDateTime DateTimeOfUnixSeconds(std::int64_t Seconds);

// The time of "YYYYMMDDHHMMSS" (optionally ".mmm"): 0 for a text too short or a month or day
// out of range, -1 for a date or time that does not exist.
TDateTime MDTM2Date(const std::string& Text);
// Minutes of a time zone part such as "+60" or "-120".
int ParseTimeZoneMinutes(const std::string& Text);

// Sets the file's modification time, the value read as local time (daylight saving as it
// was then) or, for UpdateUFileAge, as UTC. False when the file cannot be opened for
// writing or its time cannot be set.
bool UpdateFileAge(const std::string& FileName, TDateTime Local);
bool UpdateUFileAge(const std::string& FileName, TDateTime Utc);

// The text after the fact's name up to the next ";" (empty without one), and its number.
std::string MlsFactValue(const std::string& Response, const std::string& Fact);
std::int64_t MlsFactNumber(const std::string& Response, const std::string& Fact);
// Reads one facts line of an MLST or MLSD answer; false for a line that begins with a blank.
bool DecodeMlsResp(const std::string& Response, std::string& FileName, std::string& FileType,
                   std::string& FilePerm, std::int64_t& FileSize, TDateTime& FileTime);
