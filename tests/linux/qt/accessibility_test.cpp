#include <QAccessible>
#include <optional>
#include <vector>

#include "tests/linux/qt/updater_window_fixture.h"
#include "ui/control_ids.h"

namespace talo::qt::test {
namespace {

struct PanelCase {
    const char* name;
    std::optional<sim::Situation> unit;
    const char* rows[3][2];  // label and value of each row, as read aloud
};

constexpr int kRowIds[3][2] = {{kIdUnitLabel, kIdUnitVersion},
                               {kIdBootloaderLabel, kIdBootloaderVersion},
                               {kIdControllerLabel, kIdControllerVersion}};

class AccessibilityTest : public UpdaterWindowTest,
                          public ::testing::WithParamInterface<PanelCase> {
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

TEST_P(AccessibilityTest, EveryVersionRowReadsAsALabelledValue) {
    if (GetParam().unit) {
        plug(*GetParam().unit);
    }
    start();

    for (int row = 0; row < 3; ++row) {
        const auto [label, value] = kRowIds[row];
        EXPECT_TRUE(readsAsText(label, QString::fromUtf8(GetParam().rows[row][0]), value));
        EXPECT_TRUE(readsAsText(value, QString::fromUtf8(GetParam().rows[row][1])));
        EXPECT_EQ(dialog().control(value)->isEnabled(), GetParam().unit.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(Units, AccessibilityTest,
                         ::testing::Values(PanelCase{"Ready",
                                                     sim::Situation::Ready,
                                                     {{"TUNEPUCK", "1.5"},
                                                      {"Regler-Bootloader", "1.2.10"},
                                                      {"Regler", "1.7"}}},
                                           PanelCase{"NoUnitGreyed",
                                                     std::nullopt,
                                                     {{"Programmiereinheit", "0.0.0"},
                                                      {"Regler-Bootloader", "0.0.0"},
                                                      {"Regler", "0.0.0"}}}),
                         [](const ::testing::TestParamInfo<PanelCase>& caseInfo) {
                             return std::string(caseInfo.param.name);
                         });

using WindowAccessibilityTest = AccessibilityTest;

TEST_F(WindowAccessibilityTest, WindowIsNamedByItsTitleAndTheStatusPaneByItsCaption) {
    start();

    EXPECT_EQ(QAccessible::queryAccessibleInterface(&dialog())->text(QAccessible::Name),
              dialog().windowTitle());
    EXPECT_TRUE(readsAsText(kIdStatusCaption, QStringLiteral("Hinweisfenster:"), kIdStatusPane));
    ASSERT_NE(reached(kIdStatusPane), nullptr);
    EXPECT_EQ(reached(kIdStatusPane)->text(QAccessible::Name), QStringLiteral("Hinweisfenster:"));
}

}  // namespace
}  // namespace talo::qt::test
