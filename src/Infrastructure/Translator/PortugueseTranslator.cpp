#include "Infrastructure/Translator/PortugueseTranslator.h"

#include <unordered_map>

#include "Core/Text/Format.h"

namespace Infrastructure::Translator {

namespace {

constexpr TCatalogueEntry kCatalogue[] = {
    {"AppName", "Inicializador do Sistema"},
    {"Loading", "Carregando..."},
    {"PleaseWait", "Por favor, aguarde..."},
    {"Success", "Sucesso"},
    {"Error", "Erro"},
    {"Warning", "Aviso"},
    {"Confirm", "Confirmar"},
    {"Cancel", "Cancelar"},
    {"Close", "Fechar"},
    {"OK", "OK"},
    {"Yes", "Sim"},
    {"No", "Não"},
    {"Retry", "Tentar Novamente"},
    {"Configure", "Configurar"},
    {"CheckingUpdates", "Verificando atualizações..."},
    {"DownloadingUpdate", "Baixando atualização..."},
    {"ExtractingFiles", "Extraindo arquivos..."},
    {"InstallingUpdate", "Instalando atualização..."},
    {"UpdateAvailable", "Nova versão disponível: %s"},
    {"UpdateRequired", "Atualização obrigatória disponível"},
    {"UpdateComplete", "Atualização concluída com sucesso!"},
    {"UpdateFailed", "Falha na atualização: %s"},
    {"UpdateCompleteRestart", "O sistema será reiniciado para aplicar as alterações."},
    {"Connecting", "Conectando ao banco de dados..."},
    {"ConnectionError", "Erro de conexão: %s"},
    {"ConnectionSuccess", "Conexão estabelecida com sucesso"},
    {"ConnectionTest", "Testando conexão..."},
    {"DatabaseNotFound", "Banco de dados não encontrado"},
    {"ConfigNeeded", "Configuração do banco de dados necessária"},
    {"ConfigIncomplete", "Configuração incompleta. Preencha todos os campos obrigatórios."},
    {"ConfigSaved", "Configuração salva com sucesso!"},
    {"ConfigError", "Erro ao salvar configuração: %s"},
    {"TitleDatabaseConfig", "Configuração de Banco de Dados"},
    {"TitleUpdate", "Atualização do Sistema"},
    {"TitleProgress", "Inicializando Sistema"},
    {"LabelServer", "Servidor:"},
    {"LabelDatabase", "Banco de Dados:"},
    {"LabelUser", "Usuário:"},
    {"LabelPassword", "Senha:"},
    {"LabelDriver", "Driver:"},
    {"LabelODBC", "ODBC:"},
    {"LabelConnectionType", "Tipo de Conexão:"},
    {"LabelVersion", "Versão:"},
    {"ButtonTest", "Testar Conexão"},
    {"ButtonSave", "Salvar"},
    {"ButtonUpdate", "Atualizar"},
    {"ButtonConfigure", "Configurar"},
    {"ButtonContinue", "Continuar"},
    {"ConnectionODBC", "ODBC"},
    {"ConnectionDirect", "Direta"},
    {"VersionInfo", "BD: %s | EXE: %s | WS: %s"},
    {"DSNName", "Nome do DSN:"},
    {"DSNNameRequired", "Nome do DSN é obrigatório"},
    {"DSNPrompt", "Nome do DSN"},
    {"ServerPrompt", "Servidor (ex: localhost\\SQLEXPRESS)"},
    {"DatabasePrompt", "Nome do banco de dados"},
    {"Description", "Descrição:"},
    {"DescriptionPrompt", "Descrição"},
    {"UserPrompt", "Usuário"},
    {"PasswordPrompt", "Senha"},
    {"DriverLabel", "Driver:"},
    {"TestingConnection", "Testando conexão..."},
    {"ConnectionTestSuccess", "Conexão testada com sucesso!"},
    {"ConnectionTestFailed", "Falha na conexão. Verifique os dados."},
    {"ServerRequired", "Servidor é obrigatório"},
    {"DatabaseRequired", "Banco de dados é obrigatório"},
    {"SelectDriver", "Selecione um driver"},
    {"ODBCCreateSuccess", "ODBC \"%s\" criado com sucesso!"},
    {"ODBCCreateSimple", "ODBC criado com sucesso!"},
    {"ODBCCreateError", "Erro ao criar ODBC. Verifique se já existe ou execute como admin."},
    {"CreateODBCButton", "+ Criar ODBC"},
    {"Version", "Versão: %s"},
    {"EditODBC", "Editar ODBC"},
    {"CreateNewODBC", "Criar Novo ODBC"},
    {"SelectDSNTitle", "Selecione o DSN"},
    {"SelectDSNPrompt", "Selecione a fonte de dados ODBC que deseja utilizar:"},
    {"SelectDSNRequired", "Selecione um DSN para continuar"},
    {"CheckingBDE", "Verificando BDE (Borland Database Engine)..."},
    {"BDENotFound", "BDE não encontrado. Instalando..."},
    {"InstallingBDE", "Instalando BDE... %s%%"},
    {"BDEInstalledSuccess", "BDE instalado com sucesso!"},
    {"BDERequired",
     "BDE é necessário para executar esta aplicação. Por favor, instale o BDE manualmente ou contate o suporte."},
    {"BDECheckError", "Erro ao verificar BDE: %s"},
    {"UpdateNeeded", "Atualização necessária. Versão mínima: %s"},
    {"ValidationError", "Erro na validação: %s"},
    {"GenericError", "Erro: %s"},
    {"DownloadURL", "URL de Download: %s"},
    {"StartingDownload", "Iniciando download..."},
    {"DownloadingFrom", "Baixando de: %s"},
    {"DownloadingProgress", "Baixando... %s%%"},
    {"DownloadComplete", "Download completo. Processando..."},
    {"UpdateCompletedSuccess", "Atualização concluída com sucesso!"},
    {"DownloadCompleted", "Download concluído!"},
    {"ErrorExtracting", "Erro ao extrair arquivo"},
    {"ErrorDownloading", "Erro ao baixar arquivo"},
    {"DownloadException", "Exceção no download: %s"},
    {"ExecutingApplication", "Executando aplicação: %s"},
    {"ExecutableNotFound", "Executável não encontrado: %s"},
    {"LocalServer", "(local)"},
    {"DefaultDescription", "Criado pelo QuorvaneSoft Launcher"},
    {"StartingUpdate", "Iniciando atualização..."},
    {"ApplyingUpdate", "Aplicando atualização..."},
    {"ErrorApplyingUpdate", "Erro ao aplicar atualização"},
    // Start-up road texts.
    {"ValidatingStartup", "Verificando banco de dados e versões..."},
    {"StartupCheckPassed", "Verificação concluída"},
    {"BDEPresent", "BDE encontrado. Iniciando o sistema..."},
    // A download that is not what the release document published (%s: its address).
    {"DownloadTooLarge",
     "O arquivo baixado de %s é maior que o tamanho publicado. O download foi interrompido e nada foi instalado."},
    {"DownloadSizeMismatch",
     "O arquivo baixado de %s não tem o tamanho publicado. O arquivo foi descartado e nada foi instalado."},
    {"DownloadDigestMismatch",
     "O arquivo baixado de %s não confere com o publicado (SHA-256 diferente). O arquivo foi descartado e nada foi "
     "instalado."},
    {"DownloadDigestInvalid",
     "O SHA-256 publicado para %s é inválido, então o arquivo não pode ser conferido. Nada foi instalado."},
    // The BDE installer could not be kept from changes until it ran (%s: where it came from).
    {"BDEInstallerNotProtected",
     "O instalador do BDE obtido de %s não pôde ser protegido contra alterações até ser executado (outro programa o "
     "alterava ou pôs arquivos junto dele). Nada foi instalado."},
    // ODBC editor in edit mode.
    {"ODBCUpdateSuccess", "ODBC \"%s\" atualizado com sucesso!"},
    {"ODBCUpdateError", "Erro ao atualizar ODBC. Verifique se ainda existe ou execute como admin."},
    // Updates applied whole or not at all.
    {"UpdateWaitingOther", "Outro inicializador está atualizando a aplicação. Aguardando que termine..."},
    {"UpdateCancelled", "Atualização cancelada. Nada foi alterado."},
    {"UpdateWaitTimedOut",
     "Outro inicializador está atualizando a aplicação há mais de %s minutos. Nada foi alterado: tente novamente "
     "mais tarde."},
    {"UpdateFileInUse",
     "O arquivo \"%s\" está em uso e não pôde ser substituído. Feche a aplicação e tente novamente; nada foi "
     "alterado."},
    {"UpdateAccessDenied", "Sem permissão para substituir \"%s\". Nada foi alterado."},
    {"UpdateDiskFull",
     "Espaço insuficiente em disco para instalar a atualização: são necessários %s MB e há %s MB livres. Nada foi "
     "alterado."},
    {"UpdateNotInstalled", "A atualização não pôde ser instalada (%s). A aplicação foi mantida como estava."},
    {"PackageNotExecutable", "O pacote baixado não é um executável do Windows. Nada foi alterado."},
    {"PackageWithoutExecutable", "O pacote baixado não contém o executável da aplicação. Nada foi alterado."},
    {"PackageWithoutVersion", "O executável do pacote baixado não informa sua versão. Nada foi alterado."},
    {"PackageTooOld", "O pacote baixado traz a versão %s, mais antiga que a exigida (%s). Nada foi alterado."},
    // A login the configuration file would not give back as typed.
    {"ConfigLoginEdgeBlanks",
     "O usuário ou a senha começa ou termina com espaço, que o arquivo de configuração não guarda. "
     "Remova os espaços e teste a conexão novamente."},
    // A build with keys downloads and runs only what a verified release document vouches for.
    {"ReleaseUnverified",
     "As informações de atualização não puderam ser verificadas: a assinatura delas não confere ou não foi obtida. "
     "Nada foi baixado nem instalado. Avise o suporte."},
    {"DownloadNotPublished",
     "As informações de atualização não publicam o SHA-256 e o tamanho de %s, então o arquivo não pode ser "
     "conferido. Nada foi baixado nem instalado. Avise o suporte."},
    {"BDEDefaultNotPinned",
     "As informações de atualização não indicam o instalador do BDE e este inicializador não sabe como conferir o "
     "instalador padrão (%s). Nada foi baixado nem instalado. Avise o suporte."},
    // A folder this user may not change, or a full disk: not a network fault.
    {"FolderNotWritable",
     "Este usuário não tem permissão para alterar a pasta \"%s\". Nada foi alterado. Peça a um administrador que "
     "atualize a aplicação ou inicie o inicializador como administrador."},
    // Only the files that changed since the installed version are fetched.
    {"DownloadingChangedOnly", "Baixando %s de %s (somente arquivos alterados)... %s%%"},
    {"FolderDiskFull",
     "Não há espaço livre no disco da pasta \"%s\". Nada foi alterado. Libere espaço e tente novamente."},
    // The network's proxy refused the user's Windows credentials.
    {"DownloadProxyRefused",
     "O proxy da rede recusou a conexão: pediu autenticação e não aceitou as credenciais do usuário do Windows. "
     "Nada foi alterado. Peça ao suporte de TI que libere o acesso a %s."},
};

using TTable = std::unordered_map<std::string_view, std::string_view>;

const TTable& Translations() {
  static const TTable table = [] {
    TTable built;
    built.reserve(std::size(kCatalogue));
    for (const auto& entry : kCatalogue) built.emplace(entry.Key, entry.Text);
    return built;
  }();
  return table;
}

}  // namespace

TPortugueseTranslator::TPortugueseTranslator() { Translations(); }

std::span<const TCatalogueEntry> TPortugueseTranslator::Entries() { return kCatalogue; }

std::string TPortugueseTranslator::Translate(const std::string& AKey) const {
  const TTable& table = Translations();
  const auto found = table.find(AKey);
  return found == table.end() ? AKey : std::string(found->second);
}

std::string TPortugueseTranslator::TranslateFormat(const std::string& AKey,
                                                   const std::vector<std::string>& AArgs) const {
  return Core::Text::FormatText(Translate(AKey), AArgs);
}

}  // namespace Infrastructure::Translator
