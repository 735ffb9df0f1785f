#pragma once
// A temporary folder mapped as drive C: for the tests of this module, with a
// folder beside it that lies outside every drive.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <optional>

#include "platform/errors/ErrorTesting.h"
#include "platform/errors/RuntimeError.h"
#include "platform/paths/WinPath.h"

namespace files_test {

using vb::test::ErrorOf;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    c_ = tmp_.path() + "/c";
    outside_ = tmp_.path() + "/outside";
    ASSERT_TRUE(QDir().mkpath(c_));
    ASSERT_TRUE(QDir().mkpath(outside_));
    win::DriveTable table;
    table.Map(u'C', c_);
    guard_.emplace(table);
  }
  void TearDown() override { guard_.reset(); }

  // The host path of a name below the C: root ("a/b.txt").
  QString Host(const QString& relative) const { return c_ + "/" + relative; }

  void MakeFile(const QString& relative, const QByteArray& bytes = {}) const {
    QDir().mkpath(QFileInfo(Host(relative)).absolutePath());
    QFile f(Host(relative));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }

  QByteArray Bytes(const QString& relative) const {
    QFile f(Host(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }

  QTemporaryDir tmp_;
  QString c_, outside_;
  std::optional<win::ScopedDriveTable> guard_;
};

}  // namespace files_test
