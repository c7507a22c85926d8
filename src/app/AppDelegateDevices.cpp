#include "AppDelegate.h"
#include "Settings.h"

namespace sonifix {

void AppDelegate::observeDevices() {
    devices.observeDefaultDeviceChanges([weak = weak_from_this()] {
        if (const auto self = weak.lock()) {
            self->enforceMacMicrophone();
        }
    });
}

void AppDelegate::enforceMacMicrophone() {
    if (!defaults.boolForKey(settings::keepMacMicrophone)) {
        return;
    }
    const auto input = devices.defaultDevice(true);
    // Only a Bluetooth input drags the headphones into headset mode; others are left alone.
    if (!input || !input->isBluetooth()) {
        return;
    }
    if (const auto microphone = devices.builtInMicrophone()) {
        devices.setDefaultInputDevice(microphone->id);
    }
}

} // namespace sonifix
