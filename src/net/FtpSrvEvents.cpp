// The server engine's events: each Trigger fires its handler only when one is assigned.

#include "net/FtpSrv.h"

#include "net/FireEvent.h"

void TFtpServer::TriggerServerStart()
{
    fire(OnStart, this);
}

void TFtpServer::TriggerServerStop()
{
    fire(OnStop, this);
}

void TFtpServer::TriggerAuthenticate(TFtpCtrlSocket* Client, const TFtpString& UserName, const TFtpString& Password,
                                     bool& Authenticated)
{
    fire(OnAuthenticate, this, Client, UserName, Password, Authenticated);
}

void TFtpServer::TriggerChangeDirectory(TFtpCtrlSocket* Client, const TFtpString& Directory, bool& Allowed)
{
    fire(OnChangeDirectory, this, Client, Directory, Allowed);
}

void TFtpServer::TriggerSendAnswer(TFtpCtrlSocket* Client, TFtpString& Answer)
{
    fire(OnAnswerToClient, this, Client, Answer);
}

void TFtpServer::TriggerClientConnect(TFtpCtrlSocket* Client, std::uint16_t AError)
{
    fire(OnClientConnect, this, Client, AError);
}

void TFtpServer::TriggerClientDisconnect(TFtpCtrlSocket* Client, std::uint16_t AError)
{
    fire(OnClientDisconnect, this, Client, AError);
}

void TFtpServer::TriggerClientCommand(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params,
                                      TFtpString& Answer)
{
    fire(OnClientCommand, this, Client, Keyword, Params, Answer);
}

void TFtpServer::TriggerMakeDirectory(TFtpCtrlSocket* Client, const TFtpString& Directory, bool& Allowed)
{
    fire(OnMakeDirectory, this, Client, Directory, Allowed);
}

void TFtpServer::TriggerValidatePut(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed)
{
    fire(OnValidatePut, this, Client, FilePath, Allowed);
}

void TFtpServer::TriggerValidateSize(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed)
{
    fire(OnValidateSize, this, Client, FilePath, Allowed);
}

void TFtpServer::TriggerValidateDele(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed)
{
    fire(OnValidateDele, this, Client, FilePath, Allowed);
}

void TFtpServer::TriggerValidateRmd(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed)
{
    fire(OnValidateRmd, this, Client, FilePath, Allowed);
}

void TFtpServer::TriggerValidateRnFr(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed)
{
    fire(OnValidateRnFr, this, Client, FilePath, Allowed);
}

void TFtpServer::TriggerValidateRnTo(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed)
{
    fire(OnValidateRnTo, this, Client, FilePath, Allowed);
}

void TFtpServer::TriggerValidateGet(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed)
{
    fire(OnValidateGet, this, Client, FilePath, Allowed);
}

void TFtpServer::TriggerValidateMfmt(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed)
{
    fire(OnValidateMfmt, this, Client, FilePath, Allowed);
}

void TFtpServer::TriggerBuildDirectory(TFtpCtrlSocket* Client, TFtpString& Directory, bool Detailed)
{
    fire(OnBuildDirectory, this, Client, Directory, Detailed);
}

void TFtpServer::TriggerAlterDirectory(TFtpCtrlSocket* Client, TFtpString& Directory, bool Detailed)
{
    fire(OnAlterDirectory, this, Client, Directory, Detailed);
}

void TFtpServer::TriggerStorSessionConnected(TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError)
{
    fire(OnStorSessionConnected, this, Client, Data, AError);
}

void TFtpServer::TriggerStorSessionClosed(TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError)
{
    fire(OnStorSessionClosed, this, Client, Data, AError);
}

void TFtpServer::TriggerRetrSessionConnected(TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError)
{
    fire(OnRetrSessionConnected, this, Client, Data, AError);
}

void TFtpServer::TriggerRetrSessionClosed(TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError)
{
    fire(OnRetrSessionClosed, this, Client, Data, AError);
}

void TFtpServer::TriggerStorDataAvailable(TFtpCtrlSocket* Client, TWSocket* Data, char* Buf, std::int32_t Len,
                                          std::uint16_t AError)
{
    fire(OnStorDataAvailable, this, Client, Data, Buf, Len, AError);
}

void TFtpServer::TriggerRetrDataSent(TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError)
{
    fire(OnRetrDataSent, this, Client, Data, AError);
}

void TFtpServer::TriggerGetUniqueFileName(TFtpCtrlSocket* Client, TFtpString& FileName)
{
    fire(OnGetUniqueFileName, this, Client, FileName);
}

void TFtpServer::TriggerGetProcessing(TFtpCtrlSocket* Client, bool& DelayedSend)
{
    fire(OnGetProcessing, this, Client, DelayedSend);
}

void TFtpServer::TriggerCalculateMd5(TFtpCtrlSocket* Client, TFtpString& FilePath, TFtpString& Md5Sum, bool& Allowed)
{
    fire(OnCalculateMd5, this, Client, FilePath, Md5Sum, Allowed);
}

void TFtpServer::TriggerBuildFilePath(TFtpCtrlSocket* Client, const std::string& Directory,
                                      const std::string& FileName, std::string& NewFileName)
{
    fire(OnBuildFilePath, this, Client, Directory, FileName, NewFileName);
}
