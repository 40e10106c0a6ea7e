class Yanxing {
	static function main() {
		var root = flash.Lib.current;
		root.addChild(Ui.centred("Yanxing", 40, 0x8C1C13, 337, 200));
	}
}
