#ifndef VARNIC_STORE_LIBPQ_H_
#define VARNIC_STORE_LIBPQ_H_

#include <libpq-fe.h>

#include <string>

namespace varnic::store {

// The functions of PostgreSQL's client library that the store calls, found in libpq.so.5 when a
// PostgreSQL history is first opened. The library's header still declares them, so their types
// are its own.
struct CLibpq {
  decltype(&PQconnectdb) connectdb = nullptr;
  decltype(&PQstatus) status = nullptr;
  decltype(&PQerrorMessage) errorMessage = nullptr;
  decltype(&PQfinish) finish = nullptr;
  decltype(&PQexec) exec = nullptr;
  decltype(&PQexecParams) execParams = nullptr;
  decltype(&PQresultStatus) resultStatus = nullptr;
  decltype(&PQresultErrorMessage) resultErrorMessage = nullptr;
  decltype(&PQntuples) ntuples = nullptr;
  decltype(&PQgetvalue) getvalue = nullptr;
  decltype(&PQgetlength) getlength = nullptr;
  decltype(&PQcmdTuples) cmdTuples = nullptr;
  decltype(&PQclear) clear = nullptr;
};

// The library, loaded by the first call from whichever thread; null, with `error` saying why,
// when it cannot be loaded.
const CLibpq* Libpq(std::string& error);

}  // namespace varnic::store

#endif  // VARNIC_STORE_LIBPQ_H_
