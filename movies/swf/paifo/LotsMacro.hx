import haxe.macro.Context;
import haxe.macro.Expr;

/**
 * Compiles data/lots.txt into the movie: the build passes its path
 * (-D lots_file=...). A record LotText refuses, or ids that are not
 * 001, 002, … in order, stop the build with the file and line.
 */
class LotsMacro {
	public static macro function load():Expr {
		var path = Context.definedValue("lots_file");
		if (path == null)
			Context.error("lots_file must be defined (-D lots_file=.../data/lots.txt)", Context.currentPos());
		Context.registerModuleDependency(Context.getLocalModule(), path);
		var lots:Array<LotText.Lot> = [];
		var lineNumber = 0;
		for (line in sys.io.File.getContent(path).split("\n")) {
			lineNumber++;
			if (StringTools.endsWith(line, "\r"))
				line = line.substr(0, line.length - 1);
			if (line == "" || StringTools.startsWith(line, "#"))
				continue;
			var lot = try LotText.parse(line) catch (e:String) {
				Context.error('$path:$lineNumber: $e', Context.currentPos());
				null;
			}
			if (lot.number != lots.length + 1)
				Context.error('$path:$lineNumber: lot ${lot.number} where lot ${lots.length + 1} was due', Context.currentPos());
			lots.push(lot);
		}
		return macro $v{lots};
	}
}
