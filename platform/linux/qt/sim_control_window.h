#pragma once

#include <QWidget>
#include <map>

#include "sim/scenarios.h"
#include "sim/sim_hid_platform.h"

class QComboBox;
class QListWidget;
class QSpinBox;
class QLineEdit;

namespace talo::qt {

// The simulator's control window: plug in units in a chosen situation or foreign HID devices,
// unplug and replug them, and inject faults into the selected unit.
class SimControlWindow final : public QWidget {
  public:
    explicit SimControlWindow(sim::SimHidPlatform& hid, QWidget* parent = nullptr);

    // Plugs in a new unit in `situation` with product `productId`.
    sim::DeviceId plugUnit(sim::Situation situation, std::uint16_t productId);

  private:
    QWidget* createDeviceGroup();
    QWidget* createFaultGroup();
    void refreshList();
    bool selectedDevice(sim::DeviceId& id) const;
    bool selectedUnit(sim::DeviceId& id);
    void injectFault();
    void setDisconnect();
    void clearFaults();

    sim::SimHidPlatform& hid_;
    std::map<sim::DeviceId, QString> descriptions_;
    QListWidget* list_ = nullptr;
    QComboBox* situation_ = nullptr;
    QComboBox* product_ = nullptr;
    QComboBox* command_ = nullptr;
    QComboBox* faultKind_ = nullptr;
    QSpinBox* occurrence_ = nullptr;
    QLineEdit* errorCode_ = nullptr;
    QSpinBox* disconnectBlock_ = nullptr;
    QSpinBox* latency_ = nullptr;
};

}  // namespace talo::qt
