// Every command of vandrel-tool, one line each, in the order the tool's help
// lists them. VANDREL_TOOL_COMMAND(NameCommand) registers the
// `const ToolCommand NameCommand` its file defines. No include guard: the
// registry includes this list to declare the commands and again to list them.
VANDREL_TOOL_COMMAND(CalendarCommand)
VANDREL_TOOL_COMMAND(MonthCommand)
VANDREL_TOOL_COMMAND(SolarCommand)
VANDREL_TOOL_COMMAND(BirthdayCommand)
VANDREL_TOOL_COMMAND(IcsCommand)
VANDREL_TOOL_COMMAND(AlmanacCommand)
VANDREL_TOOL_COMMAND(DivineCommand)
VANDREL_TOOL_COMMAND(StrokesCommand)
VANDREL_TOOL_COMMAND(JournalCommand)
