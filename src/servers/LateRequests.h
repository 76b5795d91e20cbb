#pragma once
// The registration of a protocol under a number and date left free in the
// past, written by the protocol server (code in LateServer.cpp), and the
// builder of its request.

#include <QString>
#include <QVariantList>

namespace nimbo {

constexpr short kOpRecuperaProtocollo = 110;

} // namespace nimbo
