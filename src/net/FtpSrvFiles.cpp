// The file and directory commands of the server engine: MKD, RMD, DELE, RNFR, RNTO, SIZE
// and MD5. Every path goes through BuildFilePath, so a path outside the client's home is
// refused with the command's own refusal.

#include "net/FtpSrv.h"

#include "net/FtpPath.h"
#include "net/NetMd5.h"
#include "platform/base/AsciiCase.h"
#include "platform/fs/RenameNoReplace.h"

#include <sys/stat.h>
#include <unistd.h>


using ftppath::Printable;

ftppath::Place TFtpServer::PathPlace(TFtpCtrlSocket* Client, const TFtpString& Params, std::string& Path)
{
    try {
        Path = BuildFilePath(Client, Client->Directory(), Params);
        return ftppath::Place::Inside;
    } catch (const EFtpOutsideHome& E) {
        if (E.Where == ftppath::Place::LeadsOut)
            Path = E.Path;
        return E.Where;
    }
}

bool TFtpServer::PathInHome(TFtpCtrlSocket* Client, const TFtpString& Params, std::string& Path)
{
    return PathPlace(Client, Params, Path) == ftppath::Place::Inside;
}

bool TFtpServer::AllowedPath(TFtpCtrlSocket* Client, const TFtpString& Params, ValidateTrigger Validate,
                             std::string& Path)
{
    bool allowed = PathInHome(Client, Params, Path);
    if (allowed)
        (this->*Validate)(Client, Path, allowed);
    return allowed;
}

bool TFtpServer::AllowedEntryPath(TFtpCtrlSocket* Client, const TFtpString& Params, ValidateTrigger Validate,
                                  std::string& Path)
{
    // Checked after the owner's event, which may have changed the path. An empty name, which
    // no command acts on, gets its syntax error.
    return AllowedPath(Client, Params, Validate, Path)
           && (Params.empty() || !ftppath::IsHome(Client->HomePath(), Path));
}

void TFtpServer::CommandMKD(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcMKD;
    std::string path;
    try {
        bool allowed = PathInHome(Client, Params, path);
        if (allowed)
            TriggerMakeDirectory(Client, path, allowed);
        if (!allowed)
            Answer = "550 '" + Printable(path.empty() ? Params : path) + "': can't create directory.";
        else if (Params.empty())
            Answer = "501 Syntax error in parameter.";
        else if (ftppath::FileExists(path))
            Answer = "550 '" + Printable(path) + "': file or directory already exists.";
        else if (::mkdir(path.c_str(), 0777) != 0)
            Answer = "550 '" + Printable(path) + "': can't create directory.";
        else
            Answer = "257 '" + Printable(path) + "': directory created.";
    } catch (const std::exception& E) {
        Answer = "550 '" + Printable(E.what()) + "': can't create directory.";
    }
}

void TFtpServer::CommandRMD(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcRMD;
    std::string path;
    const bool allowed = AllowedEntryPath(Client, Params, &TFtpServer::TriggerValidateRmd, path);
    if (!allowed)
        Answer = "500 Cannot remove directory.";
    else if (Params.empty())
        Answer = "501 Syntax error in parameter.";
    else if (!ftppath::EntryExists(path))
        Answer = "550 '" + Printable(path) + "': no such directory.";
    else if (::rmdir(path.c_str()) != 0)
        Answer = "550 '" + Printable(path) + "': can't remove directory.";
    else
        Answer = "250 '" + Printable(path) + "': directory removed.";
}

void TFtpServer::CommandDELE(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcDELE;
    std::string path;
    const bool allowed = AllowedEntryPath(Client, Params, &TFtpServer::TriggerValidateDele, path);
    if (!allowed)
        Answer = "550 Cannot delete.";
    else if (Params.empty())
        Answer = "501 Syntax error in parameter.";
    else if (!ftppath::FileExists(path))
        Answer = "550 '" + Printable(path) + "': no such file or directory.";
    else if (::unlink(path.c_str()) != 0)
        Answer = "450 File '" + Printable(path) + "' can't be deleted.";
    else
        Answer = "250 File '" + Printable(path) + "' deleted.";
}

void TFtpServer::CommandRNFR(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcRNFR;
    std::string path;
    const bool allowed = AllowedEntryPath(Client, Params, &TFtpServer::TriggerValidateRnFr, path);
    if (!allowed) {
        Answer = "500 Cannot RNFR.";
    } else if (Params.empty()) {
        Answer = "501 Syntax error is parameter.";
    } else if (!ftppath::FileExists(path) && !ftppath::EntryExists(path)) {
        Answer = "550 '" + Printable(path) + "': no such file or directory.";
    } else {
        Client->RenameFrom = path;
        Answer = "350 File exists, ready for destination name.";
    }
}

void TFtpServer::CommandRNTO(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcRNTO;
    std::string path;
    const bool allowed = AllowedEntryPath(Client, Params, &TFtpServer::TriggerValidateRnTo, path);
    const std::string& from = Client->RenameFrom;
    if (!allowed) {
        Answer = "500 Cannot RNTO.";
    } else if (Params.empty()) {
        Answer = "501 Syntax error in parameter.";
    } else if (ftppath::FileExists(path) || ftppath::EntryExists(path)) {
        Answer = "553 '" + Printable(path) + "': file already exists.";
    } else if (from.empty() || (!ftppath::FileExists(from) && !ftppath::EntryExists(from))) {
        Answer = "550 '" + Printable(from) + "': no such file or directory.";
    } else {
        Client->RenameTo = path;
        // Never replaces: a target that appeared meanwhile makes the rename fail.
        if (platform::RenameNoReplace(from, path) == 0)
            Answer = "250 File '" + Printable(from) + "' renamed to '" + Printable(path) + "'.";
        else
            Answer = "450 File '" + Printable(from) + "' can't be renamed.";
    }
}

void TFtpServer::CommandSIZE(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcSIZE;
    try {
        std::string path;
        const ftppath::Place place = PathPlace(Client, Params, path);
        bool allowed = place == ftppath::Place::Inside;
        if (allowed)
            TriggerValidateSize(Client, path, allowed);
        const std::string notFound = "550 Command failed: File not found.";
        // What leads out of the home is not there for the client: it learns nothing of it.
        if (place == ftppath::Place::LeadsOut)
            Answer = notFound;
        else if (!allowed)
            Answer = "501 Permission Denied";
        else if (Params.empty())
            Answer = "501 Syntax error in parameter.";
        else if (const std::int64_t size = ftppath::FileSizeOf(path); size < 0)
            Answer = notFound;
        else
            Answer = "213 " + std::to_string(size);
    } catch (const std::exception& E) {
        Answer = "550 Command failed: " + Printable(E.what()) + ".";
    }
}

void TFtpServer::CommandMD5(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcMD5;
    try {
        std::string path;
        std::string sum;
        bool allowed = PathInHome(Client, Params, path);
        if (allowed)
            TriggerCalculateMd5(Client, path, sum, allowed);
        if (!allowed) {
            Answer = "500 Cannot RETR.";
            return;
        }
        if (sum.empty()) {
            if (!ftppath::FileExists(path)) {
                Answer = "550 '" + Printable(Params) + "': no such file.";
                return;
            }
            sum = FileMD5(path);
            if (sum.empty()) {
                Answer = "550 MD5 SUM failed : '" + Printable(Params) + "'.";
                return;
            }
        }
        Answer = "251 \"" + Printable(Params) + "\" " + Printable(platform::AsciiUpperCase(sum));
    } catch (const std::exception& E) {
        Answer = "550 MD5 SUM failed : '" + Printable(E.what()) + "'.";
    }
}
