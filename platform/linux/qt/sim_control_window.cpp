#include "platform/linux/qt/sim_control_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>

#include "device/commands.h"
#include "device/session.h"

namespace talo::qt {

namespace {

constexpr std::array kSituations{sim::Situation::Ready, sim::Situation::Downgrade,
                                 sim::Situation::Bootloader, sim::Situation::NoController,
                                 sim::Situation::Incompatible};

struct CommandChoice {
    const char* name;
    std::uint8_t code;
};
constexpr std::array<CommandChoice, 9> kCommands{{
    {"SetSystemLock", kCmdSetSystemLock},
    {"SetWriteProtect", kCmdSetWriteProtect},
    {"EraseFirmware", kCmdEraseFirmware},
    {"SetWriteAddress", kCmdSetWriteAddress},
    {"WriteBlock", kCmdWriteBlock},
    {"Identify", kCmdIdentify},
    {"ReadUnitMemory", kCmdReadUnitMemory},
    {"ReadControllerInfo", kCmdReadControllerInfo},
    {"ReadControllerIdentity", kCmdReadControllerIdentity},
}};

struct FaultChoice {
    const char* name;
    sim::FaultKind kind;
};
constexpr std::array<FaultChoice, 5> kFaults{{
    {"error status (code below)", sim::FaultKind::ErrorStatus},
    {"wrong echo", sim::FaultKind::WrongEcho},
    {"write fails", sim::FaultKind::WriteFails},
    {"read fails", sim::FaultKind::ReadFails},
    {"no answer (time limit)", sim::FaultKind::NoAnswer},
}};

QString toQString(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

SimControlWindow::SimControlWindow(sim::SimHidPlatform& hid, QWidget* parent)
    : QWidget(parent, Qt::Window), hid_(hid) {
    setWindowTitle(QStringLiteral("Simulated programming units"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createDeviceGroup());
    layout->addWidget(createFaultGroup());
    refreshList();
}

QWidget* SimControlWindow::createDeviceGroup() {
    auto* group = new QGroupBox(QStringLiteral("Devices (enumeration order)"));
    auto* layout = new QVBoxLayout(group);
    list_ = new QListWidget;
    layout->addWidget(list_);

    auto* plugRow = new QHBoxLayout;
    situation_ = new QComboBox;
    for (const sim::Situation situation : kSituations) {
        situation_->addItem(toQString(sim::situationName(situation)));
    }
    product_ = new QComboBox;
    product_->addItem(QStringLiteral("TUNEPUCK (1)"), 1);
    product_->addItem(QStringLiteral("TUNE-CARD (2)"), 2);
    auto* plugNew = new QPushButton(QStringLiteral("Plug in unit"));
    connect(plugNew, &QPushButton::clicked, this, [this] {
        const auto index = static_cast<std::size_t>(situation_->currentIndex());
        plugUnit(kSituations.at(index),
                 static_cast<std::uint16_t>(product_->currentData().toUInt()));
    });
    plugRow->addWidget(situation_);
    plugRow->addWidget(product_);
    plugRow->addWidget(plugNew);
    layout->addLayout(plugRow);

    auto* deviceRow = new QHBoxLayout;
    auto* foreign = new QPushButton(QStringLiteral("Plug in foreign HID device"));
    connect(foreign, &QPushButton::clicked, this, [this] {
        const sim::DeviceId id = hid_.addForeignDevice(0x046D, 0xC077);
        descriptions_[id] = QStringLiteral("foreign HID device 046d:c077");
        refreshList();
    });
    auto* unplug = new QPushButton(QStringLiteral("Unplug"));
    connect(unplug, &QPushButton::clicked, this, [this] {
        sim::DeviceId id = 0;
        if (selectedDevice(id)) {
            hid_.unplug(id);
            refreshList();
        }
    });
    auto* replug = new QPushButton(QStringLiteral("Plug in again"));
    connect(replug, &QPushButton::clicked, this, [this] {
        sim::DeviceId id = 0;
        if (selectedDevice(id)) {
            hid_.plug(id);
            refreshList();
        }
    });
    // Another program writing the unit: every claim on it is refused until it lets go.
    auto* busy = new QPushButton(QStringLiteral("Busy elsewhere on/off"));
    connect(busy, &QPushButton::clicked, this, [this] {
        sim::DeviceId id = 0;
        if (selectedDevice(id)) {
            hid_.setClaimedElsewhere(id, !hid_.isClaimedElsewhere(id));
            refreshList();
        }
    });
    deviceRow->addWidget(foreign);
    deviceRow->addWidget(unplug);
    deviceRow->addWidget(replug);
    deviceRow->addWidget(busy);
    layout->addLayout(deviceRow);
    return group;
}

QWidget* SimControlWindow::createFaultGroup() {
    auto* group = new QGroupBox(QStringLiteral("Faults of the selected unit"));
    auto* form = new QFormLayout(group);
    command_ = new QComboBox;
    for (const CommandChoice& choice : kCommands) {
        command_->addItem(QString::fromLatin1(choice.name));
    }
    faultKind_ = new QComboBox;
    for (const FaultChoice& choice : kFaults) {
        faultKind_->addItem(QString::fromLatin1(choice.name));
    }
    occurrence_ = new QSpinBox;
    occurrence_->setRange(0, 100000);
    occurrence_->setSpecialValueText(QStringLiteral("every"));
    errorCode_ = new QLineEdit(QStringLiteral("0x0104"));
    auto* inject = new QPushButton(QStringLiteral("Inject fault"));
    connect(inject, &QPushButton::clicked, this, [this] { injectFault(); });
    form->addRow(QStringLiteral("Command"), command_);
    form->addRow(QStringLiteral("Fault"), faultKind_);
    form->addRow(QStringLiteral("Occurrence"), occurrence_);
    form->addRow(QStringLiteral("Unit error code"), errorCode_);
    form->addRow(inject);

    disconnectBlock_ = new QSpinBox;
    disconnectBlock_->setRange(0, 100000);
    disconnectBlock_->setSpecialValueText(QStringLiteral("never"));
    auto* disconnect = new QPushButton(QStringLiteral("Set disconnect"));
    connect(disconnect, &QPushButton::clicked, this, [this] { setDisconnect(); });
    form->addRow(QStringLiteral("Disconnect at WriteBlock"), disconnectBlock_);
    form->addRow(disconnect);

    latency_ = new QSpinBox;
    latency_->setRange(0, 1000);
    latency_->setSuffix(QStringLiteral(" ms"));
    connect(latency_, &QSpinBox::valueChanged, this, [this](int ms) {
        sim::DeviceId id = 0;
        if (selectedUnit(id)) {
            hid_.unit(id).exchangeLatencyMicros = static_cast<std::uint64_t>(ms) * 1000u;
        }
    });
    form->addRow(QStringLiteral("Latency per exchange"), latency_);

    auto* clear = new QPushButton(QStringLiteral("Clear faults"));
    connect(clear, &QPushButton::clicked, this, [this] { clearFaults(); });
    form->addRow(clear);
    return group;
}

sim::DeviceId SimControlWindow::plugUnit(sim::Situation situation, std::uint16_t productId) {
    sim::SimulatedUnit unit = sim::makeUnit(situation);
    unit.productId = productId;
    const sim::DeviceId id = hid_.addUnit(std::move(unit));
    descriptions_[id] = QStringLiteral("unit %1, product %2")
                            .arg(toQString(sim::situationName(situation)))
                            .arg(productId);
    refreshList();
    return id;
}

void SimControlWindow::refreshList() {
    const int selected = list_->currentRow();
    list_->clear();
    for (const auto& [id, description] : descriptions_) {
        QString state =
            hid_.isPlugged(id) ? QStringLiteral("plugged in") : QStringLiteral("unplugged");
        if (hid_.isClaimedElsewhere(id)) {
            state += QStringLiteral(", busy elsewhere");
        }
        auto* item = new QListWidgetItem(
            QStringLiteral("#%1 %2 - %3").arg(id).arg(description, state), list_);
        item->setData(Qt::UserRole, static_cast<qulonglong>(id));
    }
    if (selected >= 0 && selected < list_->count()) {
        list_->setCurrentRow(selected);
    } else if (list_->count() > 0) {
        list_->setCurrentRow(list_->count() - 1);
    }
}

bool SimControlWindow::selectedDevice(sim::DeviceId& id) const {
    const QListWidgetItem* item = list_->currentItem();
    if (item == nullptr) {
        return false;
    }
    id = static_cast<sim::DeviceId>(item->data(Qt::UserRole).toULongLong());
    return true;
}

bool SimControlWindow::selectedUnit(sim::DeviceId& id) {
    return selectedDevice(id) && descriptions_[id].startsWith(QStringLiteral("unit"));
}

void SimControlWindow::injectFault() {
    sim::DeviceId id = 0;
    if (!selectedUnit(id)) {
        return;
    }
    const auto& command = kCommands.at(static_cast<std::size_t>(command_->currentIndex()));
    const auto& fault = kFaults.at(static_cast<std::size_t>(faultKind_->currentIndex()));
    bool ok = false;
    const std::uint32_t code = errorCode_->text().toUInt(&ok, 0);
    hid_.unit(id).injectFault(command.code, fault.kind,
                              static_cast<std::uint32_t>(occurrence_->value()), ok ? code : 0);
}

void SimControlWindow::setDisconnect() {
    sim::DeviceId id = 0;
    if (selectedUnit(id)) {
        hid_.unit(id).disconnectAtWriteBlock =
            static_cast<std::uint32_t>(disconnectBlock_->value());
    }
}

void SimControlWindow::clearFaults() {
    sim::DeviceId id = 0;
    if (selectedUnit(id)) {
        hid_.unit(id).faults.clear();
        hid_.unit(id).disconnectAtWriteBlock = 0;
    }
}

}  // namespace talo::qt
