#pragma once
// "Can this be billed?": one line of a BPA, AIH, APAC or RAAS as a clerk
// would send it, checked against the rules the loaded release holds. Each
// rule says accepted, refused (why, and from which table), to be confirmed
// by the clerk, not checked (the release may hold a rule the record or the
// database cannot answer) or that the release has no rule there; one
// verdict sums them up. docs/checks.md tells how each rule is read from
// the tables. The window and korvane-cli both ask this checker.

#include "db/connection.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace korvane {

struct SecondaryLine {
    std::string code;      // ten digits
    int quantity = 1;
};

struct ServiceClass {
    std::string service;   // three digits
    std::string classification;
};

struct CheckRecord {
    std::string competencia;        // AAAAMM; empty for the loaded one
    std::string instrument;         // CO_REGISTRO, two digits
    std::string procedure;          // ten digits
    std::optional<int> quantity;    // 1 when not given
    std::optional<int> ageMonths;   // years * 12 + months
    std::string sex;                // "M", "F" or empty
    std::vector<std::string> cids;  // the principal first, then the secondary ones
    std::string cbo;
    std::vector<std::string> qualifications;   // the unit's habilitações
    std::vector<ServiceClass> services;        // the unit's services/classifications
    std::vector<SecondaryLine> secondaries;    // the other procedures of the record
};

enum class Verdict { Accepted, Refused, Confirm, NotChecked, NoRule };

// "aceito", "recusado", "verificar", "nao_verificado", "sem_regra".
const char* verdictKey(Verdict verdict);
// "ACEITO", "RECUSADO", "VERIFICAR", "NÃO VERIFICADO", "SEM REGRA".
QString verdictShown(Verdict verdict);

struct RuleResult {
    QString rule;     // "Instrumento de registro"
    Verdict verdict = Verdict::NotChecked;
    QString reason;
    QString table;    // where the rule was read, as stored
};

struct CheckResult {
    Verdict overall = Verdict::Confirm;   // Accepted, Refused or Confirm
    std::vector<RuleResult> rules;
};

// Refused before any rule: a competência the database does not hold.
class CheckError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Refused as soon as one rule refuses; to be looked at when one could not be
// checked or asks the clerk to confirm; accepted otherwise.
Verdict overallVerdict(const std::vector<RuleResult>& rules);

// Whether the database has the table (or view) of that name: the rules
// over tables a database may not hold yet ask this before they read.
bool tableExists(kdb::Connection& connection, const std::string& name);

// --- what a person types, for the window and the command line ------------
// "AAAAMM" or "MM/AAAA" give "AAAAMM"; anything else gives nothing.
std::optional<std::string> parseCompetencia(const QString& text);
// "ANOS" or "ANOS,MESES" (months 0-11) give the age in months.
std::optional<int> parseAge(const QString& text);
// "SSS/CCC".
std::optional<ServiceClass> parseServiceClass(const QString& text);
// "CODE" or "CODE:QTD", the code printed or not ("04.15.01.001-2").
std::optional<SecondaryLine> parseSecondary(const QString& text);
// A code as typed or printed ("04.15.01.001-2", "j18.9"), in capitals
// without its separators.
std::string typedCode(const QString& text);
// Words split at blanks, commas and semicolons.
QStringList typedList(const QString& text);

class Checker {
public:
    // Reads over the caller's connection, in a read-only transaction of its
    // own; the connection must outlive the checker.
    explicit Checker(kdb::Connection& connection);
    ~Checker();
    Checker(const Checker&) = delete;
    Checker& operator=(const Checker&) = delete;

    // The competência of the loaded release (AAAAMM), read afresh.
    std::string loadedCompetencia();
    // Throws CheckError when the record names a competência not loaded or an
    // instrument the release does not have.
    CheckResult check(const CheckRecord& record);
    // The instruments of the release (TB_REGISTRO): code and name.
    std::vector<std::pair<std::string, QString>> instruments();
    // The procedure's name, empty when the competência lacks it.
    QString procedureName(const std::string& code);
    // After an update: the statements are planned again.
    void releaseLoaded();

    struct Queries;

private:
    std::unique_ptr<Queries> q_;
};

} // namespace korvane
