#include "base/Exceptions.h"

#include <new>

QString ExceptionMessage() {
    try {
        throw;
    } catch (const TException& error) {
        return error.Message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}
