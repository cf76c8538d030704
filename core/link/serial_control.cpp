#include "core/link/serial_control.h"

SerialControl::~SerialControl() = default;
