#include <emscripten.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "recording_fixture.h"
#include "scores/web_file_system.h"

// The browser's side of these cases, played by the suite's JavaScript on the IndexedDB and the
// lock manager that tests/web/node_browser.js.in gives Node. JavaScript, which clang-format
// would break:
// clang-format off

// Another tab of the site takes the table's lock, and holds it until told to let go.
EM_JS(void, other_tab_takes_lock, (const char* name), {
  const tab = globalThis.klbOtherTab = {};
  navigator.locks.request(UTF8ToString(name), {mode: "exclusive"},
                          () => new Promise(release => { tab.release = release; }));
});
EM_JS(void, other_tab_lets_go, (), { globalThis.klbOtherTab.release(); });

// Asked once the promises of the moment have settled: a lock is let go when its holder's settles.
EM_ASYNC_JS(int, lock_is_free, (const char* name), {
  await new Promise(resolve => setTimeout(resolve, 0));
  return navigator.locks.request(UTF8ToString(name), {mode: "exclusive", ifAvailable: true},
                                 lock => lock !== null);
});

EM_JS(void, hide_web_locks, (int hidden), {
  if (hidden) {
    globalThis.klbLocks = navigator.locks;
    navigator.locks = undefined;
  } else {
    navigator.locks = globalThis.klbLocks;
  }
});

// The next write's transaction aborts with that error, as a browser aborts one whose data does
// not fit the site's share of the disk (fake-indexeddb's own way of aborting with an error).
EM_JS(void, fail_next_commit, (const char* error), {
  const name = UTF8ToString(error);
  const put = IDBObjectStore.prototype.put;
  IDBObjectStore.prototype.put = function(...args) {
    IDBObjectStore.prototype.put = put;
    const request = put.apply(this, args);
    this.transaction._abort(name);
    return request;
  };
});

// 0: IndexedDB as it was; 1: turned off for the site (opening throws, as Firefox does without
// cookies); 2: none (null, as in Firefox with IndexedDB disabled).
EM_JS(void, set_storage, (int how), {
  globalThis.klbIndexedDB = globalThis.klbIndexedDB || indexedDB;
  const refusing = {open: () => { throw new DOMException("", "SecurityError"); }};
  globalThis.indexedDB = [globalThis.klbIndexedDB, refusing, null][how];
});

// Waits for an IndexedDB request.
EM_JS(void, define_answer, (), {
  globalThis.klbAnswer = request => new Promise((resolve, reject) => {
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
});

// The site's database as an older or foreign page may have left it: a later version, no store.
EM_ASYNC_JS(int, database_without_store, (), {
  await klbAnswer(indexedDB.deleteDatabase("klimbor"));
  const db = await klbAnswer(indexedDB.open("klimbor", 3));
  db.close();
  return db.version;
});

EM_ASYNC_JS(int, database_version, (), {
  const db = await klbAnswer(indexedDB.open("klimbor"));
  db.close();
  return db.version;
});

EM_ASYNC_JS(void, store_a_text, (const char* key), {
  const db = await klbAnswer(indexedDB.open("klimbor"));
  const transaction = db.transaction("scores", "readwrite");
  transaction.objectStore("scores").put("900 points", UTF8ToString(key));
  await new Promise(resolve => { transaction.oncomplete = resolve; });
  db.close();
});

// clang-format on

namespace {

using namespace test;

class WebFiles : public Recording {
 protected:
  WebFiles() { define_answer(); }
  std::string key() const { return path().string(); }
};

// Counts the pauses between tries of a held lock instead of sleeping them, and does meanwhile
// what the other tab does.
class Waiting : public scores::WebCalls {
 public:
  explicit Waiting(std::function<void(int)> meanwhile) : meanwhile_(std::move(meanwhile)) {}
  void pause(int milliseconds) override {
    meanwhile_(milliseconds);
    WebCalls::pause(0);  // the other tab's promises settle
  }

 private:
  std::function<void(int)> meanwhile_;
};

TEST_F(WebFiles, ATabRecordingWhileAnotherHoldsTheLockWaitsAndBothRecordsAreKept) {
  write_bytes(path(), table({900, 500, 100}));
  other_tab_takes_lock(key().c_str());
  int paused = 0;
  files = scores::WebFileSystem(std::make_unique<Waiting>([&](int milliseconds) {
    if (paused == 0) {  // the other tab's record goes in, then its lock is let go
      write_bytes(path(), table({900, 700, 500, 100}));
      other_tab_lets_go();
    }
    paused += milliseconds;
  }));
  validate(600);
  expect_announced(place_message(3));
  std::vector<int> expected{900, 700, 600, 500, 100};
  expected.resize(30, 0);
  EXPECT_EQ(scores_of(bytes()), expected);
  EXPECT_GT(paused, 0) << "it waited for the other tab";
}

TEST_F(WebFiles, WhileATabRewritesTheTableNoOtherCanLockIt) {
  bool free_meanwhile = true;
  store.rewrite([&](scores::ScoreTable& table) {
    free_meanwhile = lock_is_free(key().c_str());
    table.write(1, Module1::score_rec);
  });
  EXPECT_FALSE(free_meanwhile);
  EXPECT_TRUE(lock_is_free(key().c_str())) << "released once the table is replaced";
  EXPECT_EQ(bytes().size(), 128u);
}

TEST_F(WebFiles, ALockHeldPastThreeSecondsRefusesTheScoreThenValiderRecords) {
  const std::string before = table({900, 500, 100});
  write_bytes(path(), before);
  int paused = 0;
  files = scores::WebFileSystem(
      std::make_unique<Waiting>([&](int milliseconds) { paused += milliseconds; }));
  other_tab_takes_lock(key().c_str());
  validate(600);
  expect_refused_untouched("un autre onglet ou une autre fenêtre du jeu est en train d'écrire");
  EXPECT_TRUE(contains(sys.errors[0], "depuis plus de 3 secondes")) << sys.errors[0];
  EXPECT_EQ(paused, 3000) << "tried for three seconds, no less, no longer";
  EXPECT_TRUE(bytes() == before) << "the table changed";

  other_tab_lets_go();
  sys.errors.clear();
  validate(600);
  expect_announced(place_message(2));
  EXPECT_EQ(scores_of(bytes())[1], 600);
}

TEST_F(WebFiles, WithoutWebLocksAScoreIsStillRecorded) {
  write_bytes(path(), table({900, 500, 100}));
  hide_web_locks(1);
  validate(600);
  hide_web_locks(0);
  expect_announced(place_message(2));
  EXPECT_EQ(scores_of(bytes())[1], 600);
}

struct Refusal {
  const char* name;
  void (*breaks)();
  const char* reason;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
  *out << refusal.name;
}

class StorageRefusal : public WebFiles, public ::testing::WithParamInterface<Refusal> {};

TEST_P(StorageRefusal, LeavesTheTableByteForByteAndSaysWhy) {
  const std::string before = table({900, 500, 100});
  write_bytes(path(), before);
  const int connections = open_descriptors();
  GetParam().breaks();
  validate(600);
  set_storage(0);
  expect_refused_untouched(GetParam().reason);
  EXPECT_TRUE(bytes() == before) << "the table changed";
  EXPECT_EQ(open_descriptors(), connections) << "a connection left open";
}

// A write that does not fit, or that the browser's own files fail, is known once its transaction
// aborts; storage turned off or missing is known from the first read.
INSTANTIATE_TEST_SUITE_P(
    Browser, StorageRefusal,
    ::testing::Values(
        Refusal{"Full", [] { fail_next_commit("QuotaExceededError"); },
                "le disque est plein ou le navigateur n'accorde plus de place à ce site"},
        Refusal{"Broken", [] { fail_next_commit("UnknownError"); },
                "erreur d'entrée-sortie sur le disque"},
        Refusal{"TurnedOff", [] { set_storage(1); },
                "accès refusé : le navigateur ne laisse pas ce site garder de données"},
        Refusal{"Missing", [] { set_storage(2); },
                "le navigateur n'offre pas de stockage (IndexedDB) à cette page"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST_F(WebFiles, ADatabaseWithoutTheStoreReadsAsEmptyAndTheFirstScoreAddsIt) {
  ASSERT_EQ(database_without_store(), 3);
  EXPECT_EQ(reading_refusal(store), "");
  EXPECT_EQ(store.load_places().file_size(), 0u);
  EXPECT_EQ(database_version(), 3) << "reading changes nothing";
  validate(600);
  expect_announced(kFirst);
  EXPECT_EQ(scores_of(bytes())[0], 600);
  EXPECT_EQ(database_version(), 4);
}

TEST_F(WebFiles, AValueThatIsNoTableIsRefusedClearly) {
  write_bytes(path(), "");
  store_a_text(key().c_str());
  const std::string refusal = reading_refusal(store);
  EXPECT_TRUE(contains(refusal, "ce n'est pas un fichier ordinaire")) << refusal;
  EXPECT_TRUE(contains(refusal, key())) << refusal;
}

TEST(WebScorePath, IsTheValueScoresKlimborOfTheSite) {
  EXPECT_EQ(scores::default_score_path(), "scores klimbor");
}

}  // namespace
