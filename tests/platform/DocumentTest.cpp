#include "platform/Document.h"
#include "platform/Messages.h"
#include "platform/Ui.h"
#include "platform/Win32Codes.h"
#include "support/TestEnvironment.h"

#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct RecordingView : platform::View {
    std::vector<int> hints;
    std::function<void()> onUpdate;
    void OnUpdate(platform::View*, int hint, platform::Object*) override {
        hints.push_back(hint);
        if (onUpdate)
            onUpdate();
    }
};

TEST(Document, HintsReachEveryViewButTheSenderInOrder) {
    platform::Document doc;
    RecordingView a, b, c;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.AddView(&c);
    doc.UpdateAllViews(&b, 4097);
    EXPECT_EQ(a.hints, std::vector<int>{4097});
    EXPECT_TRUE(b.hints.empty());
    EXPECT_EQ(c.hints, std::vector<int>{4097});
}

TEST(Document, ViewRemovedDuringUpdateIsNotCalled) {
    platform::Document doc;
    RecordingView a, b;
    doc.AddView(&a);
    doc.AddView(&b);
    a.onUpdate = [&] { doc.RemoveView(&b); };
    doc.UpdateAllViews(nullptr, 1);
    EXPECT_EQ(a.hints.size(), 1u);
    EXPECT_TRUE(b.hints.empty());
    EXPECT_EQ(b.GetDocument(), nullptr);
}

TEST(Document, DestroyedViewLeavesItsDocument) {
    platform::Document doc;
    {
        RecordingView a;
        doc.AddView(&a);
        EXPECT_EQ(doc.Views().size(), 1u);
    }
    EXPECT_TRUE(doc.Views().empty());
}

TEST(Document, HintObjectAndSenderReachTheView) {
    struct HintView : platform::View {
        platform::View* sender = nullptr;
        platform::Object* object = nullptr;
        int hint = -1;
        void OnUpdate(platform::View* s, int h, platform::Object* o) override {
            sender = s;
            hint = h;
            object = o;
        }
    };
    platform::Document doc;
    HintView view;
    RecordingView other;
    doc.AddView(&view);
    platform::Object record;
    doc.UpdateAllViews(&other, 4099, &record);
    EXPECT_EQ(view.sender, &other);
    EXPECT_EQ(view.hint, 4099);
    EXPECT_EQ(view.object, &record);
    // The first update of a view is "everything may have changed".
    view.OnInitialUpdate();
    EXPECT_EQ(view.hint, 0);
    EXPECT_EQ(view.object, nullptr);
}

TEST(Document, AViewBelongsToOneDocumentAtATime) {
    platform::Document first, second;
    RecordingView view;
    first.AddView(&view);
    first.AddView(&view); // twice is once
    EXPECT_EQ(first.Views().size(), 1u);
    second.AddView(&view);
    EXPECT_TRUE(first.Views().empty());
    EXPECT_EQ(view.GetDocument(), &second);
    first.RemoveView(&view); // not its view: nothing
    EXPECT_EQ(view.GetDocument(), &second);
    first.AddView(nullptr);
    EXPECT_TRUE(first.Views().empty());
}

TEST(Document, ViewAddedDuringUpdateWaitsForTheNextOne) {
    platform::Document doc;
    RecordingView a, late;
    doc.AddView(&a);
    a.onUpdate = [&] { doc.AddView(&late); };
    doc.UpdateAllViews(nullptr, 1);
    EXPECT_TRUE(late.hints.empty());
    a.onUpdate = nullptr;
    doc.UpdateAllViews(nullptr, 2);
    EXPECT_EQ(late.hints, std::vector<int>{2});
}

TEST(Document, ViewsOutliveTheirDocumentSafely) {
    RecordingView view;
    {
        platform::Document doc;
        doc.AddView(&view);
    }
    EXPECT_EQ(view.GetDocument(), nullptr);
}

TEST(Document, RuntimeClassesAnswerKindOfChecks) {
    platform::Document doc;
    RecordingView view;
    EXPECT_STREQ(doc.RuntimeClassName(), "CDocument");
    EXPECT_TRUE(doc.IsKindOf("CObject"));
    EXPECT_FALSE(doc.IsKindOf("CView"));
    EXPECT_EQ(platform::object_cast<platform::View>(&view), &view);
    EXPECT_EQ(platform::object_cast<platform::Document>(static_cast<platform::Object*>(&view)), nullptr);
}

struct Payload : platform::Object {
    NV_DECLARE_RUNTIME_CLASS(CPayload, platform::Object)
};

struct Receiver : QWidget, platform::MessageTarget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    int count = 0;
    bool typed = false;
    std::function<void()> onMessage;
    bool OnMessage(platform::MessageId, qintptr, platform::Object* lParam) override {
        ++count;
        typed = platform::object_cast<Payload>(lParam) != nullptr;
        if (onMessage)
            onMessage();
        return true;
    }
};

TEST(Messages, RegisteredNamesGiveStableIds) {
    const auto id = platform::RegisterMessage("KELDERWICK_TEST_ONE");
    EXPECT_GE(id, 0xC000u);
    EXPECT_EQ(platform::RegisterMessage("KELDERWICK_TEST_ONE"), id);
    EXPECT_NE(platform::RegisterMessage("KELDERWICK_TEST_TWO"), id);
}

TEST(Messages, BroadcastSurvivesReceiversDeletingSiblings) {
    QWidget root;
    auto* first = new Receiver(&root);
    auto* second = new Receiver(&root);
    QPointer<Receiver> secondGuard(second);
    first->onMessage = [&] { delete second; };
    Payload payload;
    platform::BroadcastMessage({&root}, platform::RegisterMessage("KELDERWICK_TEST_ONE"), 0, &payload);
    EXPECT_EQ(first->count, 1);
    EXPECT_TRUE(first->typed);
    EXPECT_TRUE(secondGuard.isNull());
}

TEST(ScriptedUi, AnswersFromTheScriptAndRecords) {
    auto& ui = testenv::scriptedUi();
    ui.clear();
    ui.QueueMessageBoxAnswer(platform::IDNO);
    EXPECT_EQ(platform::ui().MessageBox(nullptr, "Sure?", "Norvale", platform::MB_YESNO), platform::IDNO);
    // Unscripted: the default button.
    EXPECT_EQ(platform::ui().MessageBox(nullptr, "Again?", "", platform::MB_YESNO | platform::MB_DEFBUTTON2),
              platform::IDNO);
    ASSERT_EQ(ui.asked().size(), 2u);
    EXPECT_EQ(ui.asked()[0].text, "Sure?");
}

} // namespace
#include "DocumentTest.moc"
