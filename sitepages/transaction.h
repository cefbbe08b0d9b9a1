// Copyright Tavolin developers.
//
// A write transaction on a connection: taken at once (so two pages that read
// and change the same rows run one after the other), committed by Commit,
// rolled back when left without it (a refusal or an error on the way).

#ifndef TAVOLIN_SITEPAGES_TRANSACTION_H_
#define TAVOLIN_SITEPAGES_TRANSACTION_H_

#include "tavolin/database.h"

namespace tavolin {

class Transaction {
 public:
  explicit Transaction(Connection& db) : db_(db) { db_.Execute("BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (open_) {
      try {
        db_.Execute("ROLLBACK");
      } catch (...) {
        // The connection ends with the request; its transaction ends with it.
      }
    }
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  void Commit() {
    db_.Execute("COMMIT");
    open_ = false;
  }

 private:
  Connection& db_;
  bool open_ = true;
};

}  // namespace tavolin

#endif  // TAVOLIN_SITEPAGES_TRANSACTION_H_
