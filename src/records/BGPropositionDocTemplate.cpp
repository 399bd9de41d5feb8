#include "records/BGPropositionDocTemplate.h"

#include "records/BGPropDoc.h"
#include "records/BGPropositionView.h"

CBGPropositionDocTemplate::CBGPropositionDocTemplate()
    : CTwoPlayerGameDocTemplate(kResourceId, QString::fromLatin1(CBGPropositionView::kPaneTag),
                                QString::fromLatin1(CBGPropDoc::kClassName)) {}

void CBGPropositionDocTemplate::Register() {
    using Item = MenuItem;
    const auto edit = [](int command, const QString& text) {
        return Item{command, text, CBGPropositionView::CommandPrompt(command)};
    };
    RegisterMenu(kResourceId,
                 {{QStringLiteral("&File"),
                   {Item{CBGPropDoc::kCmdFileSave, QStringLiteral("&Save"), QStringLiteral("Save the proposition")},
                    Item{CBGPropDoc::kCmdFileSaveAs, QStringLiteral("Save &As..."),
                         QStringLiteral("Save the proposition under a new name")}}},
                  {QStringLiteral("&Edit"),
                   {edit(CBGPropositionView::kCmdClearBoard, QStringLiteral("&Clear Board")),
                    edit(CBGPropositionView::kCmdResetBoard, QStringLiteral("&Reset Board")), Item{},
                    edit(CBGPropositionView::kCmdSetCube, QStringLiteral("Set C&ube...")),
                    edit(CBGPropositionView::kCmdSetTurn, QStringLiteral("Set &Turn..."))}}});
    CTwoPlayerGameDocTemplate::Register(CBGPropositionDocTemplate());
}
