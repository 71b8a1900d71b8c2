#include "package_store.h"

#include "../diagnostics/diagnostic_log.h"

// Names every INF of the INF's very bytes still listed; 1 when there is one.
static int CopiesLeft(const StoreAccess& store, int afterRemoval) {
  int left = 0;
  for (const char* copy; (copy = store.sameBytes(left)) != nullptr; ++left) LogRemovalCopyLeft(copy, afterRemoval);
  return left != 0;
}

// A copy the query made, which Windows documents it never does; 0 when it stays.
static int UndoCopy(const StoreAccess& store, const char* published) {
  if (store.listed(published)) {  // it copied over a file that was there: nothing to undo
    LogRemovalCopied(published, 1, 0);
    return 0;
  }
  int undone = store.undoCopy(published) && !store.exists(published);
  LogRemovalCopied(published, 0, undone);
  return undone;
}

static int Remove(const StoreAccess& store, const char* fullInfPath, const char* published, int* rebootRequired) {
  LogRemovalFound(published, 0);
  if (!store.uninstall(published, rebootRequired)) return 0;
  // A call may say TRUE and leave the package (Wine's SetupUninstallOEMInfA deletes only when
  // forced): the store itself tells.
  if (store.exists(published)) {
    LogRemovalLeft(published);
    return 0;
  }
  unsigned long error = store.list(fullInfPath);
  if (error != 0) {
    LogRemovalFound(nullptr, error);
    return 0;
  }
  return !CopiesLeft(store, 1);
}

int RemoveFromStore(const StoreAccess& store, const char* fullInfPath, int* rebootRequired) {
  *rebootRequired = 0;
  LogRemovalSearch(fullInfPath);
  unsigned long error = store.list(fullInfPath);
  char published[STORE_PATH_SIZE] = "";
  StoreAnswer answer = error != 0 ? STORE_FAILED : store.ask(fullInfPath, published, &error);
  // Wine's road: its SetupCopyOEMInfA copies an absent package in spite of SP_COPY_REPLACEONLY.
  if (answer == STORE_COPIED) {
    if (!UndoCopy(store, published)) return 0;
    answer = STORE_ABSENT;
  }
  if (answer == STORE_PUBLISHED) return Remove(store, fullInfPath, published, rebootRequired);
  if (answer == STORE_FAILED) {
    LogRemovalFound(nullptr, error);
    return 0;
  }
  if (CopiesLeft(store, 0)) return 0;  // the same text, not confirmed as this package: it stays
  LogRemovalFound(nullptr, 0);
  return 1;
}
