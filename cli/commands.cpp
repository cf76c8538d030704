#include "cli/commands.h"

#include "cli/check_release_command.h"
#include "cli/download_command.h"
#include "cli/history_command.h"
#include "cli/ports_command.h"
#include "cli/query_command.h"
#include "cli/record_command.h"
#include "cli/update_command.h"

std::vector<std::unique_ptr<Command>> commands(bool terminal)
{
    std::vector<std::unique_ptr<Command>> all;
    all.push_back(std::make_unique<DownloadCommand>(terminal));
    all.push_back(std::make_unique<QueryCommand>());
    all.push_back(std::make_unique<CheckReleaseCommand>());
    all.push_back(std::make_unique<UpdateCommand>(terminal));
    all.push_back(std::make_unique<PortsCommand>());
    all.push_back(std::make_unique<HistoryCommand>());
    all.push_back(std::make_unique<RecordCommand>());
    return all;
}
