// Every catch site turns the exception it caught into the user's message the same way.

#include "model/failure.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

template <typename Exception>
QString messageOf(const Exception& exception) {
  try {
    throw exception;
  } catch (...) {
    return messageOfCurrentException();
  }
}

TEST(MessageOfCurrentException, NamesWhatWentWrongForEveryStandardKind) {
  EXPECT_EQ(messageOf(Failure(QStringLiteral("ファイル x は開けません"))), QStringLiteral("ファイル x は開けません"));
  EXPECT_EQ(messageOf(std::bad_alloc()), QStringLiteral("メモリが足りません"));
  EXPECT_EQ(messageOf(std::runtime_error("JPEG error")), QStringLiteral("JPEG error"));
}

TEST(MessageOfCurrentException, LetsAnExceptionOfNoStandardKindGoOn) {
  struct Unknown {};
  EXPECT_THROW(messageOf(Unknown{}), Unknown);
}

}  // namespace
