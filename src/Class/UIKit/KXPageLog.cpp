#include "Class/UIKit/KXPageLog.h"

Q_LOGGING_CATEGORY(kxPages, "corvane.pages", QtInfoMsg)
