#include <QAccessible>
#include <QPlainTextEdit>
#include <map>
#include <optional>
#include <vector>

#include "tests/linux/qt/updater_window_fixture.h"
#include "ui/control_ids.h"

namespace talo::qt::test {
namespace {

// Every accessible object reachable from the window's own, by the object behind it: what a
// screen reader can find by walking the tree.
std::map<QObject*, QAccessibleInterface*> accessibleTree(QWidget& window) {
    std::map<QObject*, QAccessibleInterface*> found;
    std::vector<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(&window)};
    while (!pending.empty()) {
        QAccessibleInterface* node = pending.back();
        pending.pop_back();
        if (node == nullptr) {
            continue;
        }
        found[node->object()] = node;
        for (int i = 0; i < node->childCount(); ++i) {
            pending.push_back(node->child(i));
        }
    }
    return found;
}

bool isLabelOf(QAccessibleInterface* caption, QAccessibleInterface* target) {
    for (const auto& [other, relation] : target->relations(QAccessible::Label)) {
        if (other->object() == caption->object()) {
            return true;
        }
    }
    return false;
}

struct Row {
    int label;
    int value;
};
constexpr Row kRows[] = {{kIdUnitLabel, kIdUnitVersion},
                         {kIdBootloaderLabel, kIdBootloaderVersion},
                         {kIdControllerLabel, kIdControllerVersion}};

struct PanelCase {
    const char* name;
    std::optional<sim::Situation> unit;
    QString texts[3][2];  // label and value of each row
};

class AccessibilityTest : public UpdaterWindowTest {
  protected:
    QAccessibleInterface* reached(int id) {
        const auto tree = accessibleTree(dialog());
        const auto found = tree.find(dialog().control(id));
        return found == tree.end() ? nullptr : found->second;
    }

    // The control reads as static text with `text` as its name, in its place on the screen,
    // greyed exactly when the control is.
    ::testing::AssertionResult readsAsText(int id, const QString& text) {
        QAccessibleInterface* node = reached(id);
        if (node == nullptr) {
            return ::testing::AssertionFailure() << id << " is not in the accessible tree";
        }
        const QWidget* widget = dialog().control(id);
        const QRect onScreen(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        if (node->role() != QAccessible::StaticText || node->text(QAccessible::Name) != text ||
            node->state().disabled == widget->isEnabled() || node->rect() != onScreen) {
            return ::testing::AssertionFailure()
                   << id << " reads as role " << node->role() << " named \""
                   << node->text(QAccessible::Name).toStdString() << "\", disabled "
                   << node->state().disabled;
        }
        return ::testing::AssertionSuccess();
    }
};

class VersionPanelAccessibilityTest : public AccessibilityTest,
                                      public ::testing::WithParamInterface<PanelCase> {};

TEST_P(VersionPanelAccessibilityTest, EveryRowReadsAsALabelledValue) {
    if (GetParam().unit) {
        plug(*GetParam().unit);
    }
    start();

    for (std::size_t row = 0; row < std::size(kRows); ++row) {
        EXPECT_TRUE(readsAsText(kRows[row].label, GetParam().texts[row][0]));
        EXPECT_TRUE(readsAsText(kRows[row].value, GetParam().texts[row][1]));
        EXPECT_EQ(dialog().control(kRows[row].value)->isEnabled(), GetParam().unit.has_value());
        EXPECT_TRUE(isLabelOf(reached(kRows[row].label), reached(kRows[row].value))) << row;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Units, VersionPanelAccessibilityTest,
    ::testing::Values(PanelCase{"Ready",
                                sim::Situation::Ready,
                                {{QStringLiteral("TUNEPUCK"), QStringLiteral("1.5")},
                                 {QStringLiteral("Regler-Bootloader"), QStringLiteral("1.2.10")},
                                 {QStringLiteral("Regler"), QStringLiteral("1.7")}}},
                      PanelCase{"NoUnitGreyed",
                                std::nullopt,
                                {{QStringLiteral("Programmiereinheit"), QStringLiteral("0.0.0")},
                                 {QStringLiteral("Regler-Bootloader"), QStringLiteral("0.0.0")},
                                 {QStringLiteral("Regler"), QStringLiteral("0.0.0")}}}),
    [](const ::testing::TestParamInfo<PanelCase>& caseInfo) {
        return std::string(caseInfo.param.name);
    });

TEST_F(AccessibilityTest, WindowIsNamedByItsTitleAndTheStatusPaneByItsCaption) {
    plug(sim::Situation::Ready);
    start();

    QAccessibleInterface* top = QAccessible::queryAccessibleInterface(&dialog());
    EXPECT_EQ(top->text(QAccessible::Name), dialog().windowTitle());
    EXPECT_TRUE(readsAsText(kIdStatusCaption, QStringLiteral("Hinweisfenster:")));
    QAccessibleInterface* pane = reached(kIdStatusPane);
    ASSERT_NE(pane, nullptr);
    EXPECT_EQ(pane->text(QAccessible::Name), QStringLiteral("Hinweisfenster:"));
    EXPECT_TRUE(pane->state().readOnly);
    EXPECT_EQ(pane->text(QAccessible::Value), dialog().statusPane()->toPlainText());
    EXPECT_TRUE(isLabelOf(reached(kIdStatusCaption), pane));
}

}  // namespace
}  // namespace talo::qt::test
