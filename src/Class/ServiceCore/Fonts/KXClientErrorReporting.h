#pragma once

// Start-up wiring: the font engine's client-error reports (a failed hand-off script) go to the
// service's "clientError" operation. Call once when the application starts; the reports may come
// from any thread and are posted from the main queue.
void KXInstallClientErrorReporter();
