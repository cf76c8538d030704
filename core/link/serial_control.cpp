#include "core/link/serial_control.h"

SerialControl::~SerialControl() = default;

Failure SerialControl::failure() const
{
    return Failure{cause(), QStringLiteral("COM%1").arg(portNumber()), device(), errorString()};
}
