#include "platform/errors/Win32Error.h"

namespace win {

QString SystemErrorText(long code) {
  switch (code) {
    case ERROR_SUCCESS: return QStringLiteral("The operation completed successfully.");
    case ERROR_FILE_NOT_FOUND: return QStringLiteral("The system cannot find the file specified.");
    case ERROR_PATH_NOT_FOUND: return QStringLiteral("The system cannot find the path specified.");
    case ERROR_ACCESS_DENIED: return QStringLiteral("Access is denied.");
    case ERROR_INVALID_HANDLE: return QStringLiteral("The handle is invalid.");
    case ERROR_INVALID_PARAMETER: return QStringLiteral("The parameter is incorrect.");
    case ERROR_WRITE_FAULT: return QStringLiteral("The system cannot write to the specified device.");
    case ERROR_MORE_DATA: return QStringLiteral("More data is available.");
    default: return QStringLiteral("System error ") + QString::number(code) + QStringLiteral(".");
  }
}

}  // namespace win
