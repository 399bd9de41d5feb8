#pragma once

#include "platform/Object.h"

#include <QObject>
#include <vector>

namespace platform {

class View;

// The document half of document/view: owns the data, knows its views, tells them about changes
// with synchronous update hints, in the order the views were added.
class Document : public QObject, public Object {
    Q_OBJECT
public:
    static constexpr char kClassName[] = "CDocument";
    const char* RuntimeClassName() const override { return kClassName; }
    bool IsKindOf(std::string_view className) const override {
        return className == kClassName || Object::IsKindOf(className);
    }

    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    void AddView(View* view);
    void RemoveView(View* view);
    const std::vector<View*>& Views() const { return m_views; }

    // Calls OnUpdate(sender, hint, hintObject) on every view but the sender, synchronously.
    // A view removed during the walk is not called afterwards.
    void UpdateAllViews(View* sender, int hint = 0, Object* hintObject = nullptr);

private:
    std::vector<View*> m_views;
};

// The view half: a widget (or anything) that shows a document. Not a QObject itself, so a widget
// class can derive from both QWidget (or a subclass) and View.
class View : public Object {
public:
    static constexpr char kClassName[] = "CView";
    const char* RuntimeClassName() const override { return kClassName; }
    bool IsKindOf(std::string_view className) const override {
        return className == kClassName || Object::IsKindOf(className);
    }

    ~View() override;

    Document* GetDocument() const { return m_document; }

    // hint 0 means "everything may have changed".
    virtual void OnUpdate(View* sender, int hint, Object* hintObject) {
        (void)sender;
        (void)hint;
        (void)hintObject;
    }
    // Called once after the view is attached and before it is first shown.
    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }

private:
    friend class Document;
    Document* m_document = nullptr;
};

} // namespace platform
