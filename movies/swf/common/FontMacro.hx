import haxe.macro.Context;
import haxe.macro.Expr;

/**
 * Embeds a subset of the movie font holding exactly the characters the movie
 * uses. The build passes the font file (-D movie_font=...) and the folders of
 * the movie's sources (-D movie_sources=a,b); every character above ASCII in
 * those sources, plus printable ASCII, goes into the subset.
 */
class FontMacro {
	public static macro function build():Array<Field> {
		var font = Context.definedValue("movie_font");
		var folders = Context.definedValue("movie_sources");
		if (font == null || folders == null)
			Context.error("movie_font and movie_sources must be defined", Context.currentPos());
		var seen = new Map<Int, Bool>();
		var chars = new StringBuf();
		for (code in 32...127) {
			seen.set(code, true);
			chars.addChar(code);
		}
		var files = [];
		for (folder in folders.split(",")) {
			var names = sys.FileSystem.readDirectory(folder);
			names.sort(Reflect.compare);
			for (name in names)
				if (StringTools.endsWith(name, ".hx"))
					files.push(folder + "/" + name);
		}
		var texts = Context.definedValue("movie_texts");
		if (texts != null)
			files = files.concat(texts.split(","));
		for (file in files) {
			var text = sys.io.File.getContent(file);
			// Haxe's macro strings are UTF-8 aware: iterate by character.
			for (i in 0...text.length) {
				var code = StringTools.fastCodeAt(text, i);
				if (code > 127 && !seen.exists(code)) {
					seen.set(code, true);
					chars.add(text.charAt(i));
				}
			}
			Context.registerModuleDependency(Context.getLocalModule(), file);
		}
		var local = Context.getLocalClass().get();
		local.meta.add(":font", [macro $v{font}, macro $v{chars.toString()}], Context.currentPos());
		return Context.getBuildFields();
	}
}
