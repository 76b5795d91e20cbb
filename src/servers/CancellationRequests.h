#pragma once
// The cancellation of a protocol, written by the protocol server (code in
// CancellationServer.cpp), and the builder of its request.

#include <QString>
#include <QVariantList>

namespace nimbo {

constexpr short kOpCancellaProtocollo = 15;

} // namespace nimbo
