#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>
#include <vector>

// The panes of a service window, as a state document describes them in its layout string. Control
// bytes 1 to 5 separate the nested descriptions and the settings of a pane:
//
//     pane   := leaf | split
//     split  := \x01 ('h' | 'v') pane (\x03 pane)* \x02      side by side (h) or stacked (v)
//     leaf   := tag (\x04 name \x05 value)*                   a pane made by its tag, with settings
//
// For example "\x01vUserList\x03Chat\x04lines\x05500\x03CommandLine\x02" stacks three panes.
struct CPaneLayout {
    enum Kind { Leaf, Split };

    Kind kind = Leaf;
    bool horizontal = false; // for splits: side by side
    QString tag;             // for leaves
    QList<QPair<QString, QString>> settings;
    std::vector<CPaneLayout> children;

    static CPaneLayout MakeLeaf(const QString& tag) {
        CPaneLayout leaf;
        leaf.tag = tag;
        return leaf;
    }
    static CPaneLayout MakeSplit(bool horizontal, std::vector<CPaneLayout> children) {
        CPaneLayout split;
        split.kind = Split;
        split.horizontal = horizontal;
        split.children = std::move(children);
        return split;
    }

    // Null for a malformed text (unbalanced, an empty tag, a split without panes, nesting too deep).
    static std::optional<CPaneLayout> Parse(const QString& text);
    QString Format() const;
    // The tags of every leaf, in order.
    QStringList Tags() const;
    QString Setting(const QString& name) const;
};
