#include "store/libpq.h"

#include "store/shared_library.h"

namespace varnic::store {
namespace {

struct CLoaded {
  CLibpq functions;
  std::string error;  // empty when every function was found
};

CLoaded Load() {
  static CSharedLibrary library("libpq.so.5");
  CLoaded loaded;
  CLibpq& pq = loaded.functions;
  library.Bind(pq.connectdb, "PQconnectdb");
  library.Bind(pq.status, "PQstatus");
  library.Bind(pq.errorMessage, "PQerrorMessage");
  library.Bind(pq.finish, "PQfinish");
  library.Bind(pq.exec, "PQexec");
  library.Bind(pq.execParams, "PQexecParams");
  library.Bind(pq.resultStatus, "PQresultStatus");
  library.Bind(pq.resultErrorMessage, "PQresultErrorMessage");
  library.Bind(pq.ntuples, "PQntuples");
  library.Bind(pq.getvalue, "PQgetvalue");
  library.Bind(pq.getlength, "PQgetlength");
  library.Bind(pq.cmdTuples, "PQcmdTuples");
  library.Bind(pq.clear, "PQclear");
  if (!library.Ok()) {
    loaded.error =
        "PostgreSQL's client library is not available (" + library.Error() + "); install libpq5";
  }
  return loaded;
}

}  // namespace

const CLibpq* Libpq(std::string& error) {
  static const CLoaded kLoaded = Load();
  if (!kLoaded.error.empty()) {
    error = kLoaded.error;
    return nullptr;
  }
  return &kLoaded.functions;
}

}  // namespace varnic::store
