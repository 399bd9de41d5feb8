#pragma once

#include <QString>

#include <vector>

class CMultiPaneFrame;
class QMenuBar;
namespace platform {
class Document;
}

// The document template of two-player game windows: the resource id of its window kind, its tag, and
// the class of the documents its windows show. It loads the menu registered under its resource id and
// gives it to every game window it makes, so that the window's commands (the match log's, leaving the
// room) are reachable from a menu bar of its own.
class CTwoPlayerGameDocTemplate {
public:
    // One entry of a menu resource: a command id with its text and status tip; id 0 is a separator.
    struct MenuItem {
        int command = 0;
        QString text;
        QString tip;
    };
    struct Menu {
        QString title;
        std::vector<MenuItem> items;
    };

    CTwoPlayerGameDocTemplate(int resourceId, QString tag, QString documentClass);

    int GetResourceId() const { return m_resourceId; }
    const QString& GetTag() const { return m_tag; }
    const QString& GetDocumentClass() const { return m_documentClass; }
    // Whether the document is of the template's class (or derives from it).
    bool Matches(const platform::Document* document) const;

    // The menu resource of an id (replacing one registered before).
    static void RegisterMenu(int resourceId, std::vector<Menu> menus);
    static const std::vector<Menu>* FindMenu(int resourceId);
    // The templates of the program's game windows, and the one for a document (null when none).
    static void Register(const CTwoPlayerGameDocTemplate& documentTemplate);
    static void ClearRegistered();
    static const CTwoPlayerGameDocTemplate* FindFor(const platform::Document* document);

    // Loads the template's menu into the frame's menu bar -> the bar, null without a menu resource.
    QMenuBar* LoadMenu(CMultiPaneFrame* frame) const;

private:
    int m_resourceId;
    QString m_tag;
    QString m_documentClass;
};
