// Message boxes of the platform: OK-only messages, Yes/No/Cancel questions
// and Retry/Cancel after a failed step, all task-modal. Texts arrive as Qt
// strings; the caller converts from the program's code page.
#pragma once

#include <QString>

class QWidget;

namespace kor2::platform {

enum class BoxIcon { None, Information, Warning, Error, Question };

void ShowMessageBox(const QString& caption, const QString& text, BoxIcon icon);
// 0 Yes, 1 No, 2 Cancel (also the close box and Esc).
int AskYesNoCancelBox(const QString& caption, const QString& text);
// True for Retry.
bool AskRetryBox(const QString& caption, const QString& text);

}  // namespace kor2::platform
