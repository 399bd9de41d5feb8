#pragma once

#include "frame/TwoPlayerGameDocTemplate.h"

// The template of proposition windows: resource 137 (the window's menu), tag "gp" and the document
// class CBGPropDoc. Its menu's tips are the proposition pane's own status texts.
class CBGPropositionDocTemplate : public CTwoPlayerGameDocTemplate {
public:
    static constexpr int kResourceId = 137;

    CBGPropositionDocTemplate();
    // Registers the menu resource and the template with the program's game windows.
    static void Register();
};
