#pragma once

#include <QString>

#include <string_view>

// Bytes a peer sent, as shown: UTF-8 when they are valid UTF-8, else Latin-1, without CRs.
QString PeerText(std::string_view bytes);
