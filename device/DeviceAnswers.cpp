#include "device/DeviceAnswers.h"

#include <algorithm>

#include "device/DeviceApi.h"

namespace varnok {

DeviceAnswers::DeviceAnswers(DeviceLink& link, QObject* parent) : QObject(parent), link_(link) {
    link_.setStatusPoll(api_code::EdidMode, 1);
    connect(&link_, &DeviceLink::answerDispatched, this, &DeviceAnswers::dispatched);
}

void DeviceAnswers::dispatched(ApiCode code) {
    switch (code) {
        case api_code::ModelName:
            emit modelNameReceived(link_.answerText());
            break;
        case api_code::FirmwareVersion:
            emit firmwareVersionReceived(link_.answerText());
            break;
        case api_code::ManufacturerId:
            std::copy_n(link_.RxBuffer.begin() + kResponseHeader, link_.ManufacturerId.size(),
                        link_.ManufacturerId.begin());
            break;
        case api_code::EdidMode:
            emit edidModeReceived(link_.RxBuffer[kResponseHeader]);
            break;
        default:
            break;
    }
}

}  // namespace varnok
