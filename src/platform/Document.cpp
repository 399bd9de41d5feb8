#include "platform/Document.h"

#include <algorithm>

namespace platform {

Document::Document(QObject* parent) : QObject(parent) {}

Document::~Document() {
    for (View* view : m_views)
        view->m_document = nullptr;
}

void Document::AddView(View* view) {
    if (!view || view->m_document == this)
        return;
    if (view->m_document)
        view->m_document->RemoveView(view);
    m_views.push_back(view);
    view->m_document = this;
}

void Document::RemoveView(View* view) {
    auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end())
        return;
    m_views.erase(it);
    view->m_document = nullptr;
}

void Document::UpdateAllViews(View* sender, int hint, Object* hintObject) {
    const std::vector<View*> snapshot = m_views;
    for (View* view : snapshot) {
        if (view == sender)
            continue;
        // A view may remove itself or another view while it is being told.
        if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
            continue;
        view->OnUpdate(sender, hint, hintObject);
    }
}

View::~View() {
    if (m_document)
        m_document->RemoveView(this);
}

} // namespace platform
