#include "model/failure.h"

#include <new>

QString messageOfCurrentException() {
  try {
    throw;
  } catch (const Failure& failure) {
    return failure.message();
  } catch (const std::bad_alloc&) {
    return QStringLiteral("メモリが足りません");
  } catch (const std::exception& e) {
    return QString::fromLocal8Bit(e.what());
  }
}
