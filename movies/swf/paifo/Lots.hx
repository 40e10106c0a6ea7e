import LotText.Lot;

/** The lots of the cylinder, compiled from data/lots.txt (see LotsMacro). */
class Lots {
	public static var All(default, null):Array<Lot> = LotsMacro.load();

	/** The number of the lot drawn for r in [0, 1): each of 1..All.length equally likely. */
	public static function draw(r:Float):Int {
		var i = Std.int(r * All.length);
		return (i < 0 ? 0 : i >= All.length ? All.length - 1 : i) + 1;
	}
}
