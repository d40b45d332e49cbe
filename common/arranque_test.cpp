#include "common/arranque.h"

#include <gtest/gtest.h>

#include "platform/db/database.h"
#include "platform/forms/runtime.h"
#include "platform/forms/scripted_dialogs.h"
#include "platform/testsupport/temp_drive.h"

namespace orvo::common {
namespace {
namespace fs = std::filesystem;
using forms::ScriptedDialogs;
using orvo::testing::TempDrive;

TEST(ArranqueTest, MissingDatabaseShowsTheMessageAndCreatesNothing) {
  TempDrive c;
  ScriptedDialogs d;
  Bases b;
  EXPECT_FALSE(Inicia(b, {true, 8, db::LockType::ReadOnly}, d));
  ASSERT_EQ(d.shown.size(), 1u);
  EXPECT_EQ(d.shown[0].text, "Es necesario ejecutar primero Orvo Rivuvurazozer para definir la base de datos");
  EXPECT_EQ(d.shown[0].title, "Orvo Derevuvi");
  EXPECT_EQ(d.shown[0].icon, forms::Icon::Critical);
  EXPECT_FALSE(b.cn.IsOpen());
  EXPECT_TRUE(fs::is_empty(c.Root()));
}

TEST(ArranqueTest, SomethingThatIsNoNormalFileCountsAsMissing) {
  // A folder, and a link that leads nowhere, under the database's name.
  for (bool carpeta : {true, false}) {
    SCOPED_TRACE(carpeta ? "carpeta" : "enlace roto");
    TempDrive c;
    fs::create_directories(c.Path("Quiravel"));
    if (carpeta) {
      fs::create_directory(c.Path("Quiravel/Quiravel.mdb"));
    } else {
      fs::create_symlink(c.Path("Quiravel/otra.mdb"), c.Path("Quiravel/Quiravel.mdb"));
    }
    ScriptedDialogs d;
    int ended = -1;
    forms::Runtime rt(d, "pollimport", [&](int status) { ended = status; });
    Bases b;
    bool inicia = true;
    rt.Guard([&] { inicia = Inicia(b, {true, 8, db::LockType::ReadOnly}, d); });
    EXPECT_FALSE(inicia);
    EXPECT_EQ(ended, -1);
    ASSERT_EQ(d.shown.size(), 1u);
    EXPECT_EQ(d.shown[0].text, "Es necesario ejecutar primero Orvo Rivuvurazozer para definir la base de datos");
    EXPECT_FALSE(b.cn.IsOpen());
  }
}

TEST(ArranqueTest, DamagedFilePassesTheTestAndEndsAtTheConnectionWithOneErrorBox) {
  TempDrive c;
  orvo::testing::WriteFile(c.Path("Quiravel/Quiravel.mdb"), std::string(4096, 'x'));
  ScriptedDialogs d;
  int ended = -1;
  forms::Runtime rt(d, "pollimport", [&](int status) { ended = status; });
  Bases b;
  bool shown = false;
  rt.Guard([&] {
    if (Inicia(b, {true, 8, db::LockType::ReadOnly}, d)) shown = true;
  });
  EXPECT_FALSE(shown);
  EXPECT_NE(ended, -1);
  EXPECT_NE(ended, 0);
  ASSERT_EQ(d.shown.size(), 1u);
  EXPECT_NE(d.shown[0].text.find("3343"), std::string::npos) << d.shown[0].text;
  EXPECT_EQ(d.shown[0].title, "pollimport");
}

TEST(ArranqueTest, BindsTheRecordsetsWithTheirLockAndWithoutFileTest) {
  TempDrive c;
  fs::create_directories(c.Path("Quiravel"));
  auto base = db::Database::Create(kBasePrincipal, "", kClavePrincipal);
  base.Append({"Personal", {{"Id", db::Type::Long}}});
  base.Close();
  ScriptedDialogs d;
  Bases b;
  ASSERT_TRUE(Inicia(b, {false, 3, db::LockType::Optimistic}, d));
  EXPECT_TRUE(d.shown.empty());
  ASSERT_EQ(b.rs.size(), 3u);
  b.Rs(3).Open("SELECT * FROM Personal");
  b.Rs(3).AddNew();
  b.Rs(3).SetField("Id", std::int64_t{7});
  b.Rs(3).Update();
  // Reconnecting closes the recordsets still open on the old connection.
  b.Conecta({false, 3, db::LockType::Optimistic});
  b.Rs(1).Open("SELECT * FROM Personal");
  EXPECT_EQ(b.Rs(1).RecordCount(), 1);
}

}  // namespace
}  // namespace orvo::common
