#pragma once

static const int STORE_PATH_SIZE = 260;  // MAX_PATH

// What SetupCopyOEMInfA answers when asked with SP_COPY_NOOVERWRITE | SP_COPY_REPLACEONLY.
enum StoreAnswer {
  STORE_PUBLISHED,  // ERROR_FILE_EXISTS: the package is in the store under the name given
  STORE_ABSENT,     // a not-found error: it is not
  STORE_COPIED,     // TRUE: it copied the INF, which neither flag allows
  STORE_FAILED,     // any other error
};

// The driver store as the removal reads it: Windows' calls in remove_package.cpp.
struct StoreAccess {
  // Lists the system's INF folder; 0 when read, else the error. The next two answer from it.
  unsigned long (*list)(const char* fullInfPath);
  const char* (*sameBytes)(int index);  // the index-th listed INF holding the INF's very bytes; null past them
  int (*listed)(const char* path);      // 1 when a file of that name was in the folder when listed
  // published: STORE_PATH_SIZE characters, set for STORE_PUBLISHED and STORE_COPIED.
  StoreAnswer (*ask)(const char* fullInfPath, char* published, unsigned long* error);
  int (*undoCopy)(const char* published);  // takes a copy the query made out again; 1 when done
  // Takes the package out of the store; logs its call and result. rebootRequired is never null.
  int (*uninstall)(const char* published, int* rebootRequired);
  int (*exists)(const char* path);
};

// 1 when Windows names no copy of the package in the store and no INF of its very bytes is
// left in the INF folder: removed now, or none was there. 0 when a copy stays or the store
// cannot be read; the log says which. rebootRequired is set by the removal call.
int RemoveFromStore(const StoreAccess& store, const char* fullInfPath, int* rebootRequired);
