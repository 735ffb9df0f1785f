#include "platform/errors/RuntimeError.h"

#include <new>

namespace vb {

QString ErrorText(long number) {
  switch (number) {
    case 3: return QStringLiteral("Return without GoSub");
    case 5: return QStringLiteral("Invalid procedure call or argument");
    case 6: return QStringLiteral("Overflow");
    case 7: return QStringLiteral("Out of memory");
    case 9: return QStringLiteral("Subscript out of range");
    case 10: return QStringLiteral("This array is fixed or temporarily locked");
    case 11: return QStringLiteral("Division by zero");
    case 13: return QStringLiteral("Type mismatch");
    case 14: return QStringLiteral("Out of string space");
    case 28: return QStringLiteral("Out of stack space");
    case 35: return QStringLiteral("Sub or Function not defined");
    case 48: return QStringLiteral("Error in loading DLL");
    case 49: return QStringLiteral("Bad DLL calling convention");
    case 51: return QStringLiteral("Internal error");
    case 52: return QStringLiteral("Bad file name or number");
    case 53: return QStringLiteral("File not found");
    case 54: return QStringLiteral("Bad file mode");
    case 55: return QStringLiteral("File already open");
    case 57: return QStringLiteral("Device I/O error");
    case 58: return QStringLiteral("File already exists");
    case 59: return QStringLiteral("Bad record length");
    case 61: return QStringLiteral("Disk full");
    case 62: return QStringLiteral("Input past end of file");
    case 63: return QStringLiteral("Bad record number");
    case 67: return QStringLiteral("Too many files");
    case 68: return QStringLiteral("Device unavailable");
    case 70: return QStringLiteral("Permission denied");
    case 71: return QStringLiteral("Disk not ready");
    case 74: return QStringLiteral("Can't rename with different drive");
    case 75: return QStringLiteral("Path/File access error");
    case 76: return QStringLiteral("Path not found");
    case 91: return QStringLiteral("Object variable or With block variable not set");
    case 92: return QStringLiteral("For loop not initialized");
    case 93: return QStringLiteral("Invalid pattern string");
    case 94: return QStringLiteral("Invalid use of Null");
    case 424: return QStringLiteral("Object required");
    case 429: return QStringLiteral("ActiveX component can't create object");
    case 430: return QStringLiteral("Class does not support Automation or does not support expected interface");
    case 438: return QStringLiteral("Object doesn't support this property or method");
    case 440: return QStringLiteral("Automation error");
    case 445: return QStringLiteral("Object doesn't support this action");
    case 449: return QStringLiteral("Argument not optional");
    case 450: return QStringLiteral("Wrong number of arguments or invalid property assignment");
    case 457: return QStringLiteral("This key is already associated with an element of this collection");
    case 462: return QStringLiteral("The remote server machine does not exist or is unavailable");
  }
  return QStringLiteral("Application-defined or object-defined error");
}

RuntimeError::RuntimeError(long number, QString description, QString source)
    : number_(number),
      description_(description.isEmpty() ? ErrorText(number) : std::move(description)),
      source_(std::move(source)),
      what_(QStringLiteral("Run-time error %1: %2").arg(number_).arg(description_).toStdString()) {}

void Raise(long number, const QString& source, const QString& description) {
  throw RuntimeError(number, description, source);
}

ErrorInfo ErrorInfo::From(const RuntimeError& e) {
  return ErrorInfo{e.Number(), e.Description(), e.Source()};
}

ErrorInfo ErrorInfo::FromCurrentException() {
  try {
    throw;
  } catch (const RuntimeError& e) {
    return From(e);
  } catch (const std::bad_alloc&) {
    return ErrorInfo{errOutOfMemory, ErrorText(errOutOfMemory), {}};
  } catch (const std::exception& e) {
    return ErrorInfo{errAutomationError, QString::fromLocal8Bit(e.what()), {}};
  } catch (...) {
    return ErrorInfo{errAutomationError, ErrorText(errAutomationError), {}};
  }
}

QString ErrorReasonLine(const QString& description, const QString& procedure, OwnerKind kind, const QString& owner) {
  const char* of = kind == OwnerKind::Form          ? " of Form "
                   : kind == OwnerKind::ClassModule ? " of Class Module "
                                                    : " of Module ";
  return QStringLiteral("Error Reason :") + description + QStringLiteral("in procedure ") + procedure +
         QLatin1String(of) + owner;
}

}  // namespace vb
