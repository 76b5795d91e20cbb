#pragma once
// The change of a protocol's direction, written by the protocol server
// (code in DirectionServer.cpp), and the builder of its request.

#include <QString>
#include <QVariantList>

namespace nimbo {

constexpr short kOpInvertiTipo = 18;

} // namespace nimbo
