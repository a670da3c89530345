#include "platform/linux/qt/application_setup.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include "platform/linux/qt/german_translation.h"

namespace talo::qt {

bool prepareApplication(QApplication& app) {
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"))) {
        QApplication::setStyle(classic);
    }
    return installGermanTranslation(app);
}

}  // namespace talo::qt
