#pragma once
// The serial link in one include: port seam, device link, dispatcher thread, search.

#include "link/DeviceLink.h"
#include "link/DeviceSearch.h"
#include "link/LinkView.h"
#include "link/PortListers.h"
#include "link/QtSerialPort.h"
#include "link/SearchView.h"
#include "link/SerialPort.h"
#include "link/TThread_Uart_Api.h"
