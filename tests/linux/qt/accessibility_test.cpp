#include <QAccessible>
#include <vector>

#include "tests/linux/qt/updater_window_fixture.h"
#include "ui/control_ids.h"

namespace talo::qt::test {
namespace {

class AccessibilityTest : public UpdaterWindowTest {
  protected:
    // The control's accessible object as a screen reader finds it: by walking the tree down
    // from the window, not by asking for it.
    QAccessibleInterface* reached(int id) {
        std::vector<QAccessibleInterface*> pending{
            QAccessible::queryAccessibleInterface(&dialog())};
        while (!pending.empty()) {
            QAccessibleInterface* node = pending.back();
            pending.pop_back();
            if (node->object() == dialog().control(id)) {
                return node;
            }
            for (int i = 0; i < node->childCount(); ++i) {
                pending.push_back(node->child(i));
            }
        }
        return nullptr;
    }

    // Static text named `text`, where the control is on the screen, greyed when the control is,
    // and the label of `labelled` when given.
    ::testing::AssertionResult readsAsText(int id, const QString& text, int labelled = 0) {
        QAccessibleInterface* node = reached(id);
        if (node == nullptr) {
            return ::testing::AssertionFailure() << id << " is not in the accessible tree";
        }
        const QWidget* widget = dialog().control(id);
        const QRect onScreen(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        bool labels = labelled == 0;
        for (const auto& [other, relation] : node->relations(QAccessible::Labelled)) {
            labels = labels || other->object() == dialog().control(labelled);
        }
        if (node->role() != QAccessible::StaticText || node->text(QAccessible::Name) != text ||
            node->state().disabled == widget->isEnabled() || node->rect() != onScreen || !labels) {
            return ::testing::AssertionFailure()
                   << id << " reads as role " << node->role() << " \""
                   << node->text(QAccessible::Name).toStdString() << "\", disabled "
                   << node->state().disabled << ", labelling " << labelled << ": " << labels;
        }
        return ::testing::AssertionSuccess();
    }
};

// How the panel reads once a unit is unplugged is checked through AT-SPI on the running window.
TEST_F(AccessibilityTest, VersionRowsReadAsLabelledValuesAndTheStatusPaneByItsCaption) {
    plug(sim::Situation::Ready);
    start();

    const struct {
        int label;
        int value;
        const char* labelText;
        const char* valueText;
    } rows[] = {{kIdUnitLabel, kIdUnitVersion, "TUNEPUCK", "1.5"},
                {kIdBootloaderLabel, kIdBootloaderVersion, "Regler-Bootloader", "1.2.10"},
                {kIdControllerLabel, kIdControllerVersion, "Regler", "1.7"}};
    for (const auto& row : rows) {
        EXPECT_TRUE(readsAsText(row.label, QString::fromUtf8(row.labelText), row.value));
        EXPECT_TRUE(readsAsText(row.value, QString::fromUtf8(row.valueText)));
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&dialog())->text(QAccessible::Name),
              dialog().windowTitle());
    EXPECT_TRUE(readsAsText(kIdStatusCaption, QStringLiteral("Hinweisfenster:"), kIdStatusPane));
    ASSERT_NE(reached(kIdStatusPane), nullptr);
    EXPECT_EQ(reached(kIdStatusPane)->text(QAccessible::Name), QStringLiteral("Hinweisfenster:"));
}

}  // namespace
}  // namespace talo::qt::test
