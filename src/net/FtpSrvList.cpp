// Listings and file times: LIST, NLST and MLSD over the data connection, MLST on the control
// connection, and MDTM and MFMT.

#include "net/FtpSrv.h"

#include "net/FtpPath.h"
#include "net/FtpSrvT.h"
#include "platform/base/AsciiCase.h"
#include "platform/fs/Attributes.h"
#include "platform/fs/FileTime.h"
#include "platform/fs/FindFiles.h"
#include "platform/fs/Path.h"

#include <algorithm>
#include <charconv>
#include <ctime>

using ftppath::Printable;
using namespace platform;

namespace {

const char* const monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::uint32_t everyEntry = attrReadOnly | attrHidden | attrSystem | attrVolume | attrDirectory | attrArchive;
constexpr std::uint32_t plainEntries = attrDirectory | attrArchive;

int CurrentYear()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    return parts.tm_year + 1900;
}

// Plain files always pass; hidden, system and directory entries need their bit.
bool Selected(const FoundFile& entry, std::uint32_t mask)
{
    const std::uint32_t special = entry.attributes & (attrHidden | attrSystem | attrDirectory);
    return (special & ~mask) == 0;
}

// The entries a mask such as "/home/sub/*.*" finds, sorted by name, into found;
// a directory that cannot be searched finds nothing. A link leading out of the home whose
// real path is given is not there for the client: the size and time of what it points to
// are another place's.
void Search(const std::string& mask, std::uint32_t attributes, const std::string& realHome, ListOptions options,
            std::vector<FoundFile>& found)
{
    const std::string dir = DirectoryOf(mask);
    try {
        // Filtered in place: a listing of 100,000 names is not moved once more.
        ListDir(dir.empty() ? "/" : dir, FileNameOf(mask), options, found);
        std::erase_if(found, [&](const FoundFile& entry) {
            return !Selected(entry, attributes)
                || (entry.isSymlink && ftppath::ResolvesOutside(realHome, JoinPath(dir, entry.name)));
        });
    } catch (const platform::Exception&) {
        found.clear();
    }
}

// The room a listing's lines take: each line's longest fixed part (a size of up to 11 digits in a
// Unix line, any size in a facts line) and the names.
std::size_t ListingBytes(const std::vector<FoundFile>& found, TListType listType)
{
    const std::size_t perLine = listType == ListTypeName ? 2 : listType == ListTypeUnix ? 56 : 94;
    std::size_t bytes = found.size() * perLine;
    for (const FoundFile& entry : found)
        bytes += entry.name.size();
    return bytes;
}

// Appends value in decimal, at least width characters: zeros before it (as "%0*d"), or
// blanks (as "%*lld").
void AppendNumber(std::string& Out, long long Value, int Width, char Fill)
{
    char digits[24];
    char* const end = std::to_chars(digits, digits + sizeof digits, Value).ptr;
    const auto length = static_cast<int>(end - digits);
    if (Fill == '0' && Value < 0) {
        Out += '-';
        Out.append(static_cast<std::size_t>(std::max(Width - length, 0)), '0');
        Out.append(digits + 1, end);
        return;
    }
    Out.append(static_cast<std::size_t>(std::max(Width - length, 0)), Fill);
    Out.append(digits, end);
}

void AppendFactTime(std::string& Out, std::int64_t Seconds)
{
    const std::time_t when = static_cast<std::time_t>(Seconds);
    std::tm parts{};
    gmtime_r(&when, &parts);
    AppendNumber(Out, parts.tm_year + 1900LL, 4, '0');
    for (const int field : {parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec})
        AppendNumber(Out, field, 2, '0');
}

} // namespace

std::string FileTimeToFactTime(std::int64_t Seconds)
{
    std::string text;
    AppendFactTime(text, Seconds);
    return text;
}

void AppendUnixDirEntry(std::string& Out, const FoundFile& Entry, int CurrentYear)
{
    char permissions[] = "-rw-rw-rw-";
    if (Entry.attributes & attrDirectory)
        permissions[0] = 'd';
    if (Entry.attributes & attrReadOnly)
        permissions[2] = permissions[5] = permissions[8] = '-';
    const std::string extension = AsciiUpperCase(LowerExtensionOf(Entry.name));
    if (extension == ".EXE" || extension == ".COM" || extension == ".BAT")
        permissions[3] = permissions[6] = permissions[9] = 'x';
    const LocalTime time = LocalTimeOf(Entry.mtime);
    Out += permissions;
    Out += "   1 ftp      ftp  ";
    AppendNumber(Out, Entry.size, 11, ' ');
    Out += ' ';
    Out += time.month >= 1 && time.month <= 12 ? monthNames[time.month - 1] : "???";
    Out += ' ';
    AppendNumber(Out, time.day, 2, '0');
    Out += ' ';
    if (time.year == CurrentYear) {
        AppendNumber(Out, time.hour, 2, '0');
        Out += ':';
        AppendNumber(Out, time.minute, 2, '0');
    } else {
        AppendNumber(Out, time.year, 5, ' ');
    }
    Out += ' ';
    Out += Entry.name;
    Out += "\r\n";
}

void AppendFactsDirEntry(std::string& Out, const FoundFile& Entry)
{
    // The type comes first: clients that guess a listing's format (lftp) take a line opening
    // with "size=" or "perm=" for a Unix line of a socket or a FIFO and show nothing.
    if (!(Entry.attributes & attrDirectory)) {
        Out += "type=file;size=";
        AppendNumber(Out, Entry.size, 0, ' ');
        Out += (Entry.attributes & attrReadOnly) ? ";perm=rw;" : ";perm=fdrwa;";
    } else if (Entry.name == ".") {
        Out += "type=cdir;size=0;perm=fdelcmp;";
    } else if (Entry.name == "..") {
        Out += "type=pdir;size=0;perm=fdelcmp;";
    } else {
        Out += "type=dir;size=0;perm=fdelcmp;";
    }
    Out += "create=";
    AppendFactTime(Out, Entry.btime);
    Out += ";modify=";
    AppendFactTime(Out, Entry.mtime);
    Out += "; ";
    Out += Entry.name;
}

void TFtpServer::BuildDirectory(TFtpCtrlSocket* Client, const TFtpString& Params, TListType ListType,
                                platform::Stream& Stream)
{
    const int year = CurrentYear();
    const bool everything = AsciiUpperCase(Params) == "-LA" || AsciiUpperCase(Params) == "-AL";
    // The current directory goes through the path rule too: a home that has gone lists nothing.
    std::string mask = BuildFilePath(Client, Client->Directory(), everything ? std::string() : Params);
    if (mask.back() == '/')
        mask += "*.*";
    // "." and ".." only where "ls -la" and MLSD show them: a script fetching every name that
    // Python's ftplib nlst() gives stops at "RETR .", and an empty directory's plain listing
    // is its mask and " not found".
    const bool dots = everything || ListType == ListTypeFacts;
    // Each name is looked at only for what its line shows: the kind alone for a list of names.
    const ListOptions options{.dots = true, .birthTime = ListType == ListTypeFacts, .kindOnly = ListType == ListTypeName};
    const std::string realHome = ftppath::RealPath(Client->HomePath());
    std::vector<FoundFile> found = listingEntries_.Take();
    Search(mask, everything ? everyEntry : plainEntries, realHome, options, found);
    // Lines are built in one buffer handed to the stream a piece at a time, into room made
    // for the whole listing at once.
    constexpr std::size_t piece = 64 * 1024;
    Stream.reserve(static_cast<std::int64_t>(ListingBytes(found, ListType)));
    std::string text;
    text.reserve(piece + 4096);
    bool written = false;
    for (const FoundFile& entry : found) {
        if (!dots && (entry.name == "." || entry.name == ".."))
            continue;
        if (ListType == ListTypeUnix) {
            AppendUnixDirEntry(text, entry, year);
        } else {
            if (ListType == ListTypeFacts)
                AppendFactsDirEntry(text, entry);
            else
                text += entry.name;
            text += "\r\n";
        }
        if (text.size() >= piece) {
            Stream.write(text.data(), text.size());
            text.clear();
            written = true;
        }
    }
    if (text.empty() && !written)
        text = mask + " not found\r\n";
    Stream.write(text.data(), text.size());
    listingEntries_.GiveBack(std::move(found));
}

void TFtpServer::CommandDirectory2(TFtpCtrlSocket* Client, TFtpString& Params, TListType ListType,
                                   TFtpString& Answer)
{
    const bool detailed = ListType != ListTypeName;
    try {
        Params = ftppath::WithSlashes(Params);
        TriggerBuildDirectory(Client, Params, detailed);
        if (!Client->DataStream) {
            SetEngineStream(Client, std::make_unique<ftplisting::ListingStream>(listingBytes_));
            BuildDirectory(Client, Params, ListType, *Client->DataStream);
            TriggerAlterDirectory(Client, Params, detailed);
            if (Client->DataStream)
                Client->DataStream->setPosition(0);
        }
        Client->FilePath.clear();
        Answer = "150 Opening data connection for directory list.";
        StartSendData(Client);
    } catch (const EFtpOutsideHome&) {
        EndStream(Client);
        Answer = "451 Failed: Access prohibited !.";
    } catch (const std::exception& E) {
        EndStream(Client);
        Answer = "451 Failed: " + Printable(E.what()) + ".";
    }
}

void TFtpServer::CommandLIST(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    BeginTransfer(Client, ftpcLIST);
    CommandDirectory(Client, Keyword, Params, Answer);
}

void TFtpServer::CommandNLST(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    BeginTransfer(Client, ftpcNLST);
    CommandDirectory(Client, Keyword, Params, Answer);
}

void TFtpServer::CommandDirectory(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    CommandDirectory2(Client, Params, Client->CurrentCommand == ftpcNLST ? ListTypeName : ListTypeUnix, Answer);
}

void TFtpServer::CommandMLSD(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    BeginTransfer(Client, ftpcMLSD);
    CommandDirectory2(Client, Params, ListTypeFacts, Answer);
}

void TFtpServer::CommandMLST(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcMLST;
    if (Params.empty())
        Params = "*.*";
    const std::string notFound = "550 '" + Printable(Params) + "': no such file or directory.";
    std::string path;
    if (!PathInHome(Client, Params, path)) {
        Answer = notFound;
        return;
    }
    std::vector<FoundFile> found;
    Search(path, plainEntries, ftppath::RealPath(Client->HomePath()), {.dots = true, .birthTime = true}, found);
    if (found.empty()) {
        Answer = notFound;
        return;
    }
    std::string facts;
    AppendFactsDirEntry(facts, found.front());
    Answer = "250-Listing " + Printable(Params) + "\r\n " + Printable(facts) + "\r\n250 END";
}

void TFtpServer::CommandMDTM(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    const bool mfmt = Keyword == "MFMT";
    Client->CurrentCommand = mfmt ? ftpcMFMT : ftpcMDTM;
    const std::string syntax = "501 Syntax error in MDTM/MFMT parameter.";
    const std::string cannot = "550 MDTM/MFMT cannot change date/time on this server";
    try {
        TDateTime date = 0;
        bool utc = false;
        std::size_t at = 0;
        while (at < Params.size() && Params[at] >= '0' && Params[at] <= '9')
            ++at;
        if (at == 14) {
            date = MDTM2Date(Params.substr(0, 14));
            if (date < 10) {
                Answer = syntax;
                return;
            }
            while (at < Params.size() && (Params[at] == '+' || Params[at] == '-' || (Params[at] >= '0' && Params[at] <= '9')))
                ++at;
            utc = mfmt || at > 14;
            if (!mfmt && at > 14) {
                const int minutes = ParseTimeZoneMinutes(Params.substr(14, 4));
                if (minutes != 0)
                    date += minutes / 1440.0;
            }
        } else {
            at = 0;
        }
        while (at < Params.size() && Params[at] == ' ')
            ++at;
        const std::string name = Params.substr(at, 999);
        std::string path;
        const ftppath::Place place = PathPlace(Client, name, path);
        if (place == ftppath::Place::Outside) {
            Answer = "501 Permission Denied";
            return;
        }
        if (Params.empty()) {
            Answer = syntax;
        } else if (place == ftppath::Place::LeadsOut || !ftppath::FileExists(path)) {
            Answer = "550 '" + Printable(path) + "': no such file or directory.";
        } else if (date == 0) {
            const std::string time = mfmt ? std::string() : FileUtcStr(path);
            Answer = mfmt ? syntax : time.empty() ? "550 UTC File time retrieval failed" : "213 " + time;
        } else {
            bool allowed = true;
            TriggerValidateMfmt(Client, path, allowed);
            if (!allowed)
                Answer = "501 Permission Denied";
            else if (utc ? UpdateUFileAge(path, date) : UpdateFileAge(path, date))
                Answer = mfmt ? "213 Date/time changed OK" : "253 Date/time changed OK";
            else
                Answer = cannot;
        }
    } catch (const std::exception&) {
        Answer = cannot;
    }
}
