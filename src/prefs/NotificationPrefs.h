#pragma once

#include "platform/PropertySheet.h"
#include "session/UserNotifications.h"

#include <array>

// The "Notification" page of the General Properties sheet: for seven events of the session, whether
// it writes a line in the chat log (0), shows a message box (1) or does nothing (2); section
// "General Preferences". The session reads the values when an event happens.
class CNotificationPrefs : public platform::PropertyPage {
    Q_OBJECT
    NV_DECLARE_RUNTIME_CLASS(CNotificationPrefs, platform::PropertyPage)
public:
    // The events and choices are the session's own.
    using Choice = UserNotification::Choice;
    using Event = UserNotification::Event;
    using enum UserNotification::Choice;
    using enum UserNotification::Event;
    // The first ("Chat Log") button of an event's group; "Message Box" and "None" have this id plus
    // kButtonStep and twice kButtonStep.
    static int FirstButtonId(Event event);
    static constexpr int kButtonStep = 1000;

    // Reads the seven choices (a stored value other than 0, 1 or 2 gives the default).
    explicit CNotificationPrefs(QWidget* parent = nullptr);

    std::array<int, kEventCount> choices{};
    std::array<int, kEventCount> loaded{};

    void DoDataExchange(platform::DataExchange& dx) override;
    // OK and Apply: writes the seven values. Nothing is broadcast.
    void OnOK() override;

private:
    void OnRadioClicked();
};
