#include "enginefailure.h"

#include <initializer_list>

namespace korvane {
namespace {

// A failure is known by a text of the engine's, and where that text alone
// could be another program's (the system's "No such file or directory" is
// also what a missing release file says) by a second one beside it.
struct Sign {
    std::string_view text;
    std::string_view with = {};
};

struct Explanation {
    std::initializer_list<Sign> signs;   // any one of them
    const char* sentence;
};

constexpr std::string_view kEngineIo = "I/O error during \"";

// The engine's texts are fixed in its message file, the same on every
// machine. The order matters where one failure carries another's words: a
// connection lost mid-run also says "Unable to complete network request".
const Explanation kExplanations[] = {
    {{{"Database already opened with engine instance"}, {"is currently in use by another process"}},
     "O banco está aberto por outro programa (korvane ou korvane-update): feche-o e tente de novo."},
    {{{kEngineIo, "Permission denied"}},
     "Sem permissão para abrir o arquivo do banco: peça a quem cuida da máquina acesso de leitura e escrita ao "
     "arquivo e à pasta dele."},
    {{{"connection shutdown"}, {"Error reading data from the connection"}, {"Error writing data to the connection"},
      {"connection lost to database"}},
     "A ligação com o banco caiu: confira se o servidor do banco está ligado e abra o programa de novo."},
    {{{"Failed to establish a connection"}, {"Failed to locate host machine"}, {"Unable to complete network request"}},
     "O servidor do banco não responde: confira se o servidor Firebird está ligado e se o endereço do banco está "
     "certo, e tente de novo."},
    {{{kEngineIo, "No such file or directory"}},
     "O arquivo do banco não foi encontrado: confira o caminho, ou crie o banco com korvane-cli createdb."},
    {{{"is not a valid database"}, {kEngineIo, "File size is less than expected"}, {"database file appears corrupt"},
      {"internal Firebird consistency check"}, {"wrong page type"}, {"checksum error on database page"}},
     "O arquivo do banco está danificado: restaure uma cópia de segurança, ou crie o banco de novo (korvane-cli "
     "createdb) e carregue a versão da tabela."},
    {{{"Your user name and password are not defined"}},
     "O banco recusou o usuário do programa: no servidor, o usuário SYSDBA precisa ter a senha do Korvane."},
};

bool shows(std::string_view text, const Sign& sign)
{
    return text.find(sign.text) != std::string_view::npos &&
           (sign.with.empty() || text.find(sign.with) != std::string_view::npos);
}

} // namespace

const char* engineFailureSentence(std::string_view text)
{
    for (const Explanation& e : kExplanations)
        for (const Sign& sign : e.signs)
            if (shows(text, sign)) return e.sentence;
    return nullptr;
}

std::string explainedFailure(std::string_view text)
{
    const char* sentence = engineFailureSentence(text);
    if (!sentence) return std::string(text);
    return std::string(sentence) + "\n" + std::string(text);
}

} // namespace korvane
