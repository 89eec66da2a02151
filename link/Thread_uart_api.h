#pragma once
// The serial link in one include: port seam, device link, dispatcher thread.

#include "link/DeviceLink.h"
#include "link/LinkView.h"
#include "link/PortListers.h"
#include "link/SerialPort.h"
#include "link/TThread_Uart_Api.h"
