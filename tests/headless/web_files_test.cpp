#include <emscripten.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "recording_fixture.h"
#include "scores/web_file_system.h"

// The browser's side of these cases, played by the suite's JavaScript on the IndexedDB and the
// lock manager that tests/web/node_browser.js.in gives Node. JavaScript, which clang-format
// would break:
// clang-format off

// Another tab of the site takes the table's lock; after ms milliseconds it stores its own table
// and lets go, unless ms is 0: then it holds the lock until told to let go.
EM_JS(void, other_tab_takes_lock, (const char* key, const char* bytes, int size, int ms), {
  const tab = globalThis.klbOtherTab = {};
  const name = UTF8ToString(key);
  const table = HEAPU8.slice(bytes, bytes + size);
  const recordThenLetGo = () => {
    const opening = indexedDB.open("klimbor");
    opening.onsuccess = () => {
      const transaction = opening.result.transaction("scores", "readwrite");
      transaction.objectStore("scores").put(table, name);
      transaction.oncomplete = () => {
        opening.result.close();
        tab.release();
      };
    };
  };
  navigator.locks.request(name, {mode: "exclusive"}, () => new Promise(release => {
    tab.release = release;
    if (ms > 0) setTimeout(recordThenLetGo, ms);
  }));
});
EM_JS(void, other_tab_lets_go, (), { globalThis.klbOtherTab.release(); });

// Asked once the promises of the moment have settled: a lock is let go when its holder's settles.
EM_ASYNC_JS(int, lock_is_free, (const char* name), {
  await new Promise(resolve => setTimeout(resolve, 0));
  return navigator.locks.request(UTF8ToString(name), {mode: "exclusive", ifAvailable: true},
                                 lock => lock !== null);
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

// The next read of a value fails with that error, as a browser's does when its own files fail
// under it: the request's error, answered later.
EM_JS(void, fail_next_read, (const char* error), {
  const name = UTF8ToString(error);
  const get = IDBObjectStore.prototype.get;
  IDBObjectStore.prototype.get = function() {
    IDBObjectStore.prototype.get = get;
    const request = {};
    setTimeout(() => {
      request.error = new DOMException("", name);
      request.onerror();
    });
    return request;
  };
});

// The next new version asked of the database is refused with that error, as a browser with no
// room left for it refuses it: the request's error, answered later.
EM_JS(void, refuse_next_upgrade, (const char* error), {
  const name = UTF8ToString(error);
  const browser = globalThis.indexedDB;
  globalThis.indexedDB = {open: (...args) => {
    if (args[1] === undefined) return browser.open(...args);
    globalThis.indexedDB = browser;
    const request = {};
    setTimeout(() => {
      request.error = new DOMException("", name);
      request.onerror();
    });
    return request;
  }};
});

// The browser as the test wants it (enum Browser below): as it was; storage turned off for the
// site (opening throws, as Firefox does without cookies); no IndexedDB (null, as in Firefox with
// it disabled); a database that cannot be opened (Firefox's private windows before 115); Web
// Locks refused to the page (an opaque origin); no Web Locks; a lock request that throws instead
// of rejecting; an error that has no name and cannot be made a text; persistent storage
// refused, throwing, or missing.
EM_JS(void, set_browser, (int how), {
  const saved = globalThis.klbSaved =
      globalThis.klbSaved || {indexedDB, locks: navigator.locks, storage: navigator.storage};
  const refusal = name => new DOMException("", name);
  const answersLater = request => {
    setTimeout(() => {
      request.error = refusal("InvalidStateError");
      request.onerror();
    });
    return request;
  };
  globalThis.indexedDB = saved.indexedDB;
  navigator.locks = saved.locks;
  navigator.storage = saved.storage;
  if (how == 1) globalThis.indexedDB = {open: () => { throw refusal("SecurityError"); }};
  if (how == 2) globalThis.indexedDB = null;
  if (how == 3) globalThis.indexedDB = {open: () => answersLater({})};
  if (how == 4) navigator.locks = {request: () => Promise.reject(refusal("SecurityError"))};
  if (how == 5) navigator.locks = undefined;
  if (how == 6) navigator.locks = {request: () => { throw new TypeError("locks"); }};
  if (how == 7) {
    globalThis.indexedDB = {open: () => {
      const request = {};
      setTimeout(() => {
        request.error = Object.create(null);
        request.onerror();
      });
      return request;
    }};
  }
  if (how == 8) navigator.storage = {persist: () => Promise.reject(refusal("NotAllowedError"))};
  if (how == 9) navigator.storage = {persist: () => { throw new TypeError("persist"); }};
  if (how == 10) navigator.storage = undefined;
});

EM_JS(int, keep_asked, (), { return globalThis.klbKeepAsked(); });

// Another tab of an older or foreign page holds the database open at a version without the
// store and never closes it when asked, until told to.
EM_ASYNC_JS(void, other_tab_holds_database, (), {
  await klbAnswer(indexedDB.deleteDatabase("klimbor"));
  globalThis.klbHeldDatabase = await klbAnswer(indexedDB.open("klimbor", 3));
});
EM_JS(void, other_tab_closes_database, (), { globalThis.klbHeldDatabase.close(); });

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

// A text, or the value's bytes again as a bare ArrayBuffer (as another page may store them).
EM_ASYNC_JS(void, store_anew, (const char* key, bool as_text), {
  const db = await klbAnswer(indexedDB.open("klimbor"));
  const transaction = db.transaction("scores", "readwrite");
  const scores = transaction.objectStore("scores");
  const name = UTF8ToString(key);
  const bytes = as_text ? null : await klbAnswer(scores.get(name));
  scores.put(as_text ? "900 points" : bytes.slice().buffer, name);
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

enum Browser {
  as_it_was,
  storage_off,
  no_indexeddb,
  unopenable,
  locks_refused,
  no_web_locks,
  locks_throwing,
  nameless_error,
  keeping_refused,
  keeping_throws,
  no_storage_api
};

// Counts the pauses between tries of a held lock, sleeping them or not.
class CountedPauses : public scores::WebCalls {
 public:
  CountedPauses(int& paused, bool sleeps) : paused_(paused), sleeps_(sleeps) {}
  void pause(int milliseconds) override {
    paused_ += milliseconds;
    WebCalls::pause(sleeps_ ? milliseconds : 0);
  }

 private:
  int& paused_;
  bool sleeps_;
};

// The other tab lets go after 150 ms of real time: the pauses are really slept, the timers of
// both tabs served in order.
TEST_F(WebFiles, ATabRecordingWhileAnotherHoldsTheLockWaitsAndBothRecordsAreKept) {
  write_bytes(path(), table({900, 500, 100}));
  const std::string theirs = table({900, 700, 500, 100});
  other_tab_takes_lock(key().c_str(), theirs.data(), static_cast<int>(theirs.size()), 150);
  int paused = 0;
  files = scores::WebFileSystem(std::make_unique<CountedPauses>(paused, true));
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
  files = scores::WebFileSystem(std::make_unique<CountedPauses>(paused, false));
  other_tab_takes_lock(key().c_str(), nullptr, 0, 0);
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
  set_browser(no_web_locks);
  validate(600);
  set_browser(as_it_was);
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

// Broken before Valider, or only while the comment is asked: then the table has been read
// through a connection to the suite's own IndexedDB, which the count of those left open sees.
// (Broken from the start, a browser without storage opens none, and the count cannot tell.)
TEST_P(StorageRefusal, LeavesTheTableByteForByteAndSaysWhy) {
  const Refusal& refusal = GetParam();
  const std::string before = table({900, 500, 100});
  write_bytes(path(), before);
  for (bool while_asked : {false, true}) {
    SCOPED_TRACE(while_asked ? "broken while the comment is asked" : "broken before Valider");
    sys.errors.clear();
    const int connections = open_descriptors();
    if (while_asked) {
      sys.on_input_box = [&](const std::string& prompt) {
        if (prompt == "commentaire:") refusal.breaks();
      };
    } else {
      refusal.breaks();
    }
    validate(600);
    sys.on_input_box = nullptr;
    set_browser(as_it_was);
    expect_refused_untouched(refusal.reason);
    EXPECT_TRUE(bytes() == before) << "the table changed";
    EXPECT_EQ(open_descriptors(), connections) << "a connection left open";
  }
  EXPECT_TRUE(contains(sys.prompts.back(), "commentaire:")) << "asked, then broken";
}

// A write that does not fit, or that the browser's own files fail, is known once its transaction
// aborts; storage turned off, missing or unopenable at the first read after; locks refused to
// the page once the score is to be stored.
INSTANTIATE_TEST_SUITE_P(
    Browser, StorageRefusal,
    ::testing::Values(
        Refusal{"Full", [] { fail_next_commit("QuotaExceededError"); },
                "le disque est plein ou le navigateur n'accorde plus de place à ce site"},
        Refusal{"Broken", [] { fail_next_commit("UnknownError"); },
                "erreur d'entrée-sortie sur le disque"},
        Refusal{"ReadFails", [] { fail_next_read("UnknownError"); },
                "erreur d'entrée-sortie sur le disque"},
        Refusal{"TurnedOff", [] { set_browser(storage_off); },
                "accès refusé : le navigateur ne laisse pas ce site garder de données"},
        Refusal{"Missing", [] { set_browser(no_indexeddb); },
                "le navigateur n'offre pas de stockage (IndexedDB) à cette page"},
        Refusal{"Unopenable", [] { set_browser(unopenable); },
                "le navigateur n'offre pas de stockage (IndexedDB) à cette page"},
        Refusal{"LocksRefused", [] { set_browser(locks_refused); },
                "accès refusé : le navigateur ne laisse pas ce site garder de données"},
        // A promise rejected where the browser should not reject, or an error of any shape:
        // still a refusal, never a page waiting for ever.
        Refusal{"LockRequestThrows", [] { set_browser(locks_throwing); },
                "erreur du navigateur « TypeError »"},
        Refusal{"NamelessError", [] { set_browser(nameless_error); },
                "erreur du navigateur « Error »"}),
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

// The store is not added: the browser refuses the new version (no room left for it), or it
// answers yes and another page removes the store again at once. Either way the score is
// refused, with the browser's reason, never announced as stored.
class StoreNotAdded : public scores::WebCalls {
 public:
  explicit StoreNotAdded(const char* error) : error_(error) {}
  std::string add_store() override { return error_; }

 private:
  std::string error_;
};

TEST_F(WebFiles, AStoreThatCannotBeAddedRefusesTheScore) {
  ASSERT_EQ(database_without_store(), 3);
  files = scores::WebFileSystem(std::make_unique<StoreNotAdded>("QuotaExceededError"));
  validate(600);
  expect_refused_untouched("le navigateur n'accorde plus de place à ce site");

  files = scores::WebFileSystem(std::make_unique<StoreNotAdded>(""));
  sys.errors.clear();
  validate(600);
  expect_refused_untouched("erreur du navigateur « NotFoundError »");

  files = scores::WebFileSystem();
  refuse_next_upgrade("QuotaExceededError");
  sys.errors.clear();
  validate(600);
  expect_refused_untouched("le navigateur n'accorde plus de place à ce site");
  EXPECT_EQ(database_version(), 3);

  files = scores::WebFileSystem();
  sys.errors.clear();
  validate(600);
  expect_announced(kFirst);
  EXPECT_EQ(scores_of(bytes())[0], 600);
}

TEST_F(WebFiles, AValueThatIsNoTableIsRefusedClearly) {
  write_bytes(path(), "");
  store_anew(key().c_str(), true);
  const std::string refusal = reading_refusal(store);
  EXPECT_TRUE(contains(refusal, "ce n'est pas un fichier ordinaire")) << refusal;
  EXPECT_TRUE(contains(refusal, key())) << refusal;
}

TEST_F(WebFiles, ATableStoredAsABareArrayBufferIsReadAsTheTable) {
  write_bytes(path(), table({900, 500, 100}));
  store_anew(key().c_str(), false);
  EXPECT_EQ(reading_refusal(store), "");
  validate(600);
  expect_announced(place_message(2));
  EXPECT_EQ(scores_of(bytes()), scores_of(table({900, 600, 500, 100})));
}

// Another tab's rewrite, made through the file layer as that tab's program makes it, comes
// in right before this tab's write, every time or the first time only.
class AnotherTabWritesFirst : public scores::WebCalls {
 public:
  AnotherTabWritesFirst(const std::string& key, int times) : key_(key), times_(times) {}
  scores::WriteAnswer put(const std::string& key, std::string_view bytes,
                          std::optional<std::string_view> expected) override {
    if (writes_++ < times_) {
      scores::WebFileSystem theirs;
      scores::ScoreStore(theirs, key_).rewrite([&](scores::ScoreTable& table) {
        for (int place = 29; place >= 2; --place) table.write(place + 1, table.read(place));
        table.write(2, {"Autre onglet", static_cast<Module1::Integer>(700 + writes_), ""});
      });
    }
    return WebCalls::put(key, bytes, expected);
  }
  int writes() const { return writes_; }

 private:
  std::string key_;
  int times_;
  int writes_ = 0;
};

TEST_F(WebFiles, WithoutWebLocksTwoTabsRecordingAtOnceBothKeepTheirRecords) {
  write_bytes(path(), table({900, 500, 100}));
  const int connections = open_descriptors();
  set_browser(no_web_locks);
  auto calls = std::make_unique<AnotherTabWritesFirst>(key(), 1);
  const AnotherTabWritesFirst& seen = *calls;
  files = scores::WebFileSystem(std::move(calls));
  validate(600);
  set_browser(as_it_was);
  expect_announced(place_message(3));
  std::vector<int> expected{900, 701, 600, 500, 100};
  expected.resize(30, 0);
  EXPECT_EQ(scores_of(bytes()), expected);
  EXPECT_EQ(seen.writes(), 2) << "read and written again once the other tab's table was seen";
  EXPECT_EQ(open_descriptors(), connections) << "a connection left open";
}

TEST_F(WebFiles, ATableRewrittenByOthersAtEveryRoundIsRefusedAfterTwentyRounds) {
  write_bytes(path(), table({900, 500, 100}));
  set_browser(no_web_locks);
  auto calls = std::make_unique<AnotherTabWritesFirst>(key(), 1000);
  const AnotherTabWritesFirst& seen = *calls;
  files = scores::WebFileSystem(std::move(calls));
  validate(600);
  set_browser(as_it_was);
  expect_refused_untouched("l'ont réécrit 20 fois pendant cet enregistrement");
  EXPECT_EQ(seen.writes(), 20);
  EXPECT_EQ(scores_of(bytes())[1], 720) << "the last of the others' tables is kept whole";
  EXPECT_EQ(scores_of(bytes())[2], 719);
}

// Asked once a table is stored, and only then; whatever the browser does with the question, the
// score is recorded: the suite's persist() never answers, a wait on it would never end.
TEST_F(WebFiles, TheFirstStoredTableAsksTheBrowserToKeepTheSiteDataOnce) {
  write_bytes(path(), table({900, 500, 100}));
  const int before = keep_asked();
  store.load_places();
  EXPECT_EQ(keep_asked(), before) << "a reading keeps nothing";
  validate(600);
  expect_announced(place_message(2));
  EXPECT_EQ(keep_asked(), before + 1);
  store.rewrite([](scores::ScoreTable& table) { table.write(4, {"Moi", 600, ""}); });
  EXPECT_EQ(keep_asked(), before + 1) << "asked once a page";
  EXPECT_EQ(scores_of(bytes())[3], 600);

  Module1::Integer best = 900;
  for (Browser keeping : {keeping_refused, keeping_throws, no_storage_api}) {
    files = scores::WebFileSystem();
    sys.messages.clear();
    sys.show(game);
    set_browser(keeping);
    validate(best += 10);
    set_browser(as_it_was);
    expect_announced(kFirst);
    EXPECT_EQ(scores_of(bytes())[0], best) << keeping;
  }
}

TEST_F(WebFiles, AnUpgradeHeldUpByAnotherTabIsToldThenValiderRecordsOnceItCloses) {
  other_tab_holds_database();
  const int connections = open_descriptors();
  files = scores::WebFileSystem(std::make_unique<scores::WebCalls>(200));
  validate(600);
  expect_refused_untouched("le stockage du site ne répond pas");
  EXPECT_TRUE(contains(sys.errors[0], "une version plus ancienne")) << sys.errors[0];

  other_tab_closes_database();
  EXPECT_EQ(database_version(), 4) << "the upgrade given up went on once the other tab closed";
  EXPECT_EQ(open_descriptors(), connections - 1) << "the upgraded connection left open";
  sys.errors.clear();
  validate(600);
  expect_announced(kFirst);
  EXPECT_EQ(scores_of(bytes())[0], 600);
}

TEST(WebScorePath, IsTheValueScoresKlimborOfTheSite) {
  EXPECT_EQ(scores::default_score_path(), "scores klimbor");
}

}  // namespace
