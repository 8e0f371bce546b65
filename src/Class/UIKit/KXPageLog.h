#pragma once

#include <QLoggingCategory>

// The trace the pages write on every gesture (the start and end of each scroll, each row the
// pointer enters, each deactivation): off unless switched on, for example with
// QT_LOGGING_RULES="corvane.pages.debug=true", so it does not flood the terminal or the session
// log.
Q_DECLARE_LOGGING_CATEGORY(kxPages)
