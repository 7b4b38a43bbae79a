// How long one check takes on a loaded release: records built at random
// from the release's own links (a procedure on one of its instruments, one
// of its CIDs and CBOs, a habilitação and a service it names, up to three
// procedures compatible with it), each checked once; prints the p50, p95
// and maximum and how the verdicts fell.
//
// bench_check [--database PATH] [--records N] [--seed S]

#include "korvane_config.h"
#include "model/browser.h"
#include "model/check.h"
#include "db/query.h"
#include "db/transaction.h"
#include "stats.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>

namespace {

using Links = std::map<std::string, std::vector<std::vector<std::string>>>;

std::string trimmed(std::string s)
{
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.pop_back();
    return s;
}

// Every row of the statement, grouped by its first column.
Links read(kdb::Connection& db, const char* sql)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql(sql);
    q.open();
    Links out;
    for (bool more = !q.isEmpty(); more; more = q.next()) {
        std::vector<std::string> rest;
        for (std::size_t f = 1; f < q.fieldCount(); ++f) rest.push_back(trimmed(q.field(f).toString()));
        out[trimmed(q.field(std::size_t{0}).toString())].push_back(std::move(rest));
    }
    q.close();
    tr.commit();
    return out;
}

template <class T>
const T& pick(const std::vector<T>& v, std::mt19937& rng)
{
    return v[std::uniform_int_distribution<std::size_t>(0, v.size() - 1)(rng)];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string database = KORVANE_DATABASE_FILE;
    int records = 1000;
    unsigned seed = 15;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--database") == 0 && i + 1 < argc) database = argv[++i];
        else if (std::strcmp(argv[i], "--records") == 0 && i + 1 < argc) records = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) seed = static_cast<unsigned>(std::atoi(argv[++i]));
    }
    korvane::BrowserModel m(database);
    kdb::Connection& db = m.connection();
    const Links registers = read(db, "select PR_PROC, PR_REG from TB_PROC_REG");
    const Links cids = read(db, "select CP_PROC, CP_CID from TB_CID_PROC");
    const Links cbos = read(db, "select PCBO_PROC, PCBO_CBO from TB_PROC_CBO");
    const Links habs = read(db, "select PROCEDIMENTO, HABILITACAO from TB_PROC_HABILITACAO");
    const Links services = read(db, "select PS_PROC, PS_SERVICO, PS_CLASSIF from TB_PROC_SERV_CLASS");
    const Links compatible = read(db, "select PC_PROC_PRINC, PC_REG_PRINC, PC_PROC_SEC, PC_QT_PERMITIDA from TB_PROC_COMP");
    std::vector<std::pair<std::string, std::string>> lines;
    for (const auto& [proc, regs] : registers)
        for (const auto& r : regs) lines.emplace_back(proc, r[0]);
    if (lines.empty()) {
        std::fprintf(stderr, "bench_check: %s holds no release\n", database.c_str());
        return 1;
    }

    std::mt19937 rng(seed);
    std::vector<korvane::CheckRecord> batch;
    for (int i = 0; i < records; ++i) {
        korvane::CheckRecord r;
        std::tie(r.procedure, r.instrument) = pick(lines, rng);
        r.quantity = std::uniform_int_distribution<int>(1, 3)(rng);
        r.ageMonths = std::uniform_int_distribution<int>(0, 1200)(rng);
        r.sex = rng() % 2 ? "M" : "F";
        if (auto it = cids.find(r.procedure); it != cids.end()) r.cids = {pick(it->second, rng)[0], pick(it->second, rng)[0]};
        if (auto it = cbos.find(r.procedure); it != cbos.end()) r.cbo = pick(it->second, rng)[0];
        if (auto it = habs.find(r.procedure); it != habs.end()) r.qualifications = {pick(it->second, rng)[0]};
        if (auto it = services.find(r.procedure); it != services.end()) {
            const auto& s = pick(it->second, rng);
            r.services = {{s[0], s[1]}};
        }
        if (auto it = compatible.find(r.procedure); it != compatible.end())
            for (int k = 0; k < 3; ++k) {
                const auto& c = pick(it->second, rng);
                if (c[0] == r.instrument) r.secondaries.push_back({c[1], std::uniform_int_distribution<int>(1, 2)(rng)});
            }
        batch.push_back(std::move(r));
    }

    korvane::Checker checker(db);
    checker.check(batch.front());   // statements prepared once, as in the window
    std::vector<double> ms;
    std::map<korvane::Verdict, int> verdicts;
    std::size_t rules = 0, secondaries = 0;
    for (const korvane::CheckRecord& r : batch) {
        const auto t0 = std::chrono::steady_clock::now();
        const korvane::CheckResult result = checker.check(r);
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        ++verdicts[result.overall];
        rules += result.rules.size();
        secondaries += r.secondaries.size();
    }
    const kbench::Summary s = kbench::summarize(ms);
    std::printf("database %s, competência %s: %d records (seed %u), %.1f rules and %.2f secondaries each\n",
                database.c_str(), checker.loadedCompetencia().c_str(), records, seed,
                static_cast<double>(rules) / records, static_cast<double>(secondaries) / records);
    std::printf("check: p50 %.2f ms  p95 %.2f ms  max %.2f ms  (target p95 < 50 ms)\n", s.p50, s.p95, s.max);
    std::printf("verdicts: aceito %d  recusado %d  verificar %d\n", verdicts[korvane::Verdict::Accepted],
                verdicts[korvane::Verdict::Refused], verdicts[korvane::Verdict::Confirm]);
    std::printf("tables of the exceptions and conditioned rules: %s\n",
                korvane::tableExists(db, "RL_EXCECAO_COMPATIBILIDADE") ? "present" : "absent (those two rules not read)");
    return 0;
}
