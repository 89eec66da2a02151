#pragma once
// The serial link in one include: port seam, device link, dispatcher thread, search.

#include "DeviceLink.h"
#include "DeviceSearch.h"
#include "LinkView.h"
#include "PortListers.h"
#include "QtSerialPort.h"
#include "SearchView.h"
#include "SerialPort.h"
#include "TThread_Uart_Api.h"
