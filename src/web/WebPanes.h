#pragma once

// Registers the web panes of the service windows with the window framework (the advert pane under
// the tag "Advert").
void RegisterWebPanes();
