import flash.display.GradientType;
import flash.display.Graphics;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.MouseEvent;
import flash.geom.Matrix;
import flash.text.TextField;
import PalmReading;

/** Palm reading: a drawn palm; the user picks the shape of the life, head and heart lines and gets a combined reading. */
class Shou extends Sprite {
	var lineShapes:Array<Shape> = [];
	var spark = new Shape();
	var chosen = [-1, -1, -1];
	var choices:Array<Array<Choice>> = [];
	var optionsView = new Sprite();
	var readingView = new Sprite();
	var readButton:Button;
	var againButton:Button;
	var frame = 0;

	static function main() {
		flash.Lib.current.addChild(new Shou());
	}

	public function new() {
		super();
		var g = graphics;
		Ui.verticalGradient(g, 0, 0, Ui.StageWidth, Ui.StageHeight, 0x2C2440, 0x4A3A5A);
		// A soft light behind the hand.
		var m = new Matrix();
		m.createGradientBox(360, 420, 0, -10, 40);
		g.beginGradientFill(GradientType.RADIAL, [0xF3D9B0, 0xF3D9B0], [0.35, 0.0], [0, 255], m);
		g.drawEllipse(-10, 40, 360, 420);
		g.endFill();
		// Stars.
		for (i in 0...40) {
			g.beginFill(0xFFF4D0, 0.3 + (i % 5) * 0.12);
			g.drawCircle((i * 97) % 340 + 5, (i * 53) % 130 + 6, 0.8 + (i % 3) * 0.5);
			g.endFill();
		}
		addChild(drawHand());
		for (i in 0...PalmReading.Lines.length) {
			var shape = new Shape();
			lineShapes.push(shape);
			addChild(shape);
			drawLine(i);
		}
		addChild(spark);
		drawPanel();
		addEventListener(Event.ENTER_FRAME, onFrame);
	}

	/** A left hand, palm towards the viewer: four fingers above, the thumb to the right. */
	function drawHand():Shape {
		var hand = new Shape();
		var g = hand.graphics;
		var skin = new Matrix();
		skin.createGradientBox(300, 420, 0, 40, 50);
		var fill = function() g.beginGradientFill(GradientType.RADIAL, [0xF6D3B4, 0xE9B48E, 0xD89A74], [1.0, 1.0, 1.0], [0, 160, 255], skin);
		// Fingers: x of the left side, top, width, tilt in degrees.
		var fingers = [[86.0, 120.0, 38.0, -8.0], [128.0, 78.0, 42.0, -3.0], [174.0, 62.0, 44.0, 0.0], [222.0, 86.0, 42.0, 5.0]];
		for (f in fingers) {
			fill();
			var x = f[0];
			var top = f[1];
			var w = f[2];
			var tilt = f[3] * Math.PI / 180;
			var dx = Math.sin(tilt) * 150;
			// A finger as a rounded strip from its tip down into the palm.
			g.moveTo(x + dx * 0.0, 250);
			g.lineTo(x + dx * 0.8, top + w / 2);
			g.curveTo(x + w / 2 + dx, top - w * 0.55, x + w + dx * 0.8, top + w / 2);
			g.lineTo(x + w, 250);
			g.lineTo(x, 250);
			g.endFill();
		}
		// Palm and wrist.
		fill();
		g.moveTo(84, 222);
		g.curveTo(170, 206, 266, 226);
		g.curveTo(276, 280, 268, 330);
		g.curveTo(262, 420, 250, 477);
		g.lineTo(110, 477);
		g.curveTo(96, 420, 84, 360);
		g.curveTo(74, 290, 84, 222);
		g.endFill();
		// Thumb, leaning out to the right.
		fill();
		g.moveTo(250, 420);
		g.curveTo(300, 370, 322, 300);
		g.curveTo(332, 250, 312, 238);
		g.curveTo(292, 232, 284, 262);
		g.curveTo(270, 300, 246, 320);
		g.lineTo(250, 420);
		g.endFill();
		// Finger joints and the soft creases of the palm.
		g.lineStyle(1.2, 0xB07A5A, 0.6);
		for (f in fingers) {
			var x = f[0];
			var w = f[2];
			var dx = Math.sin(f[3] * Math.PI / 180) * 150;
			for (y in [f[1] + 50, f[1] + 95]) {
				var k = (250 - y) / (250 - f[1] - w / 2);
				g.moveTo(x + 8 + dx * 0.8 * k, y);
				g.lineTo(x + w - 8 + dx * 0.8 * k, y);
			}
		}
		g.moveTo(296, 300);
		g.curveTo(288, 312, 280, 316);
		g.lineStyle(1.5, 0xB07A5A, 0.7);
		g.moveTo(110, 477);
		g.curveTo(96, 420, 84, 360);
		g.curveTo(74, 290, 84, 222);
		g.moveTo(250, 477);
		g.lineTo(250, 420);
		g.curveTo(300, 370, 322, 300);
		g.curveTo(332, 250, 312, 238);
		g.lineStyle();
		return hand;
	}

	/** Draws line i as chosen, or faint and dashed while it is still to be chosen. */
	function drawLine(i:Int) {
		var line = PalmReading.Lines[i];
		var g = lineShapes[i].graphics;
		g.clear();
		var option = chosen[i] < 0 ? 0 : chosen[i];
		var pieces = line.paths[option];
		if (chosen[i] < 0) {
			g.lineStyle(2, 0x8A5A40, 0.45);
		} else {
			g.lineStyle(line.widths[option], line.color, 0.95);
		}
		for (p in pieces) {
			g.moveTo(p[0], p[1]);
			g.curveTo(p[2], p[3], p[4], p[5]);
		}
		g.lineStyle();
	}

	function drawPanel() {
		var panel = new Shape();
		var p = panel.graphics;
		p.lineStyle(3, 0xC9A25A);
		p.beginFill(0xFFF8EA);
		p.drawRoundRect(352, 14, 308, 450, 14, 14);
		p.endFill();
		addChild(panel);
		addChild(Ui.centred("手相占卜", 28, 0x5A2A6A, 506, 40));
		optionsView = new Sprite();
		var intro = Ui.text("看看自己手掌上的三条主线，各选一种最接近的样子：", 14, 0x4A3A50, 280);
		intro.x = 368;
		intro.y = 62;
		optionsView.addChild(intro);
		for (i in 0...PalmReading.Lines.length) {
			var line = PalmReading.Lines[i];
			var y = 106 + i * 84;
			var swatch = new Shape();
			swatch.graphics.beginFill(line.color);
			swatch.graphics.drawRoundRect(368, y + 6, 14, 14, 4, 4);
			swatch.graphics.endFill();
			optionsView.addChild(swatch);
			var title = Ui.text(line.name, 18, line.color);
			title.x = 388;
			title.y = y;
			optionsView.addChild(title);
			var row = [];
			for (o in 0...line.options.length) {
				var lineIndex = i;
				var optionIndex = o;
				var choice = new Choice(line.options[o], 90, 32, line.color, function() choose(lineIndex, optionIndex));
				choice.x = 368 + o * 96;
				choice.y = y + 32;
				row.push(choice);
				optionsView.addChild(choice);
			}
			choices.push(row);
		}
		var note = Ui.text("老话说男看左手、女看右手。以上解读仅供娱乐。", 12, 0x8A7A8A, 280);
		note.x = 368;
		note.y = 362;
		optionsView.addChild(note);
		addChild(optionsView);
		readingView.visible = false;
		addChild(readingView);
		readButton = new Button("看 手 相", 140, 40, showReading, 0x6A2A7A);
		readButton.x = 436;
		readButton.y = 404;
		readButton.enabled = false;
		addChild(readButton);
		againButton = new Button("重新选择", 140, 40, backToOptions, 0x6A2A7A);
		againButton.x = 436;
		againButton.y = 404;
		againButton.visible = false;
		addChild(againButton);
	}

	function choose(line:Int, option:Int) {
		chosen[line] = option;
		for (o in 0...choices[line].length)
			choices[line][o].selected = o == option;
		drawLine(line);
		readButton.enabled = chosen.indexOf(-1) < 0;
	}

	function showReading() {
		while (readingView.numChildren > 0)
			readingView.removeChildAt(0);
		var y = 66.0;
		for (i in 0...PalmReading.Lines.length) {
			var text = Ui.text(PalmReading.Lines[i].readings[chosen[i]], 14, 0x3A2A40, 276, "left", 2);
			text.x = 370;
			text.y = y;
			readingView.addChild(text);
			var mark = new Shape();
			mark.graphics.beginFill(PalmReading.Lines[i].color);
			mark.graphics.drawRect(362, y + 4, 4, text.height - 8);
			mark.graphics.endFill();
			readingView.addChild(mark);
			y += text.height + 10;
		}
		var closing = Ui.text(PalmReading.summary(chosen[0], chosen[1], chosen[2]), 15, 0x5A2A6A, 276, "left", 2);
		closing.x = 370;
		closing.y = y + 4;
		readingView.addChild(closing);
		optionsView.visible = false;
		readingView.visible = true;
		readingView.alpha = 0;
		readButton.visible = false;
		againButton.visible = true;
	}

	function backToOptions() {
		readingView.visible = false;
		optionsView.visible = true;
		againButton.visible = false;
		readButton.visible = true;
	}

	/** The point at fraction t along a quadratic piece. */
	static function pointOn(p:Array<Float>, t:Float):{x:Float, y:Float} {
		var u = 1 - t;
		return {x: u * u * p[0] + 2 * u * t * p[2] + t * t * p[4], y: u * u * p[1] + 2 * u * t * p[3] + t * t * p[5]};
	}

	function onFrame(_) {
		frame++;
		if (readingView.visible && readingView.alpha < 1)
			readingView.alpha = Math.min(1, readingView.alpha + 0.08);
		// A spark runs along each line in turn, lighting the way to look.
		var period = 70;
		var line = Std.int(frame / period) % PalmReading.Lines.length;
		var t = (frame % period) / period;
		var option = chosen[line] < 0 ? 0 : chosen[line];
		var pieces = PalmReading.Lines[line].paths[option];
		var piece = pieces[Std.int(Math.min(pieces.length - 1, t * pieces.length))];
		var local = t * pieces.length - Std.int(Math.min(pieces.length - 1, t * pieces.length));
		var at = pointOn(piece, local);
		var g = spark.graphics;
		g.clear();
		var m = new Matrix();
		m.createGradientBox(30, 30, 0, at.x - 15, at.y - 15);
		g.beginGradientFill(GradientType.RADIAL, [0xFFFFFF, PalmReading.Lines[line].color], [0.95, 0.0], [0, 255], m);
		g.drawCircle(at.x, at.y, 15);
		g.endFill();
	}
}

/** A choice among a line's shapes: outlined, or filled in the line's colour once chosen. */
class Choice extends Sprite {
	public var selected(default, set):Bool = false;

	var w:Float;
	var h:Float;
	var color:Int;
	var label:TextField;
	var caption:String;

	public function new(caption:String, w:Float, h:Float, color:Int, action:Void->Void) {
		super();
		this.w = w;
		this.h = h;
		this.color = color;
		this.caption = caption;
		buttonMode = true;
		mouseChildren = false;
		addEventListener(MouseEvent.CLICK, function(_) action());
		draw();
	}

	function set_selected(value:Bool):Bool {
		selected = value;
		draw();
		return value;
	}

	function draw() {
		var g = graphics;
		g.clear();
		g.lineStyle(1.5, color);
		g.beginFill(selected ? color : 0xFFFFFF);
		g.drawRoundRect(0, 0, w, h, 10, 10);
		g.endFill();
		if (label != null)
			removeChild(label);
		label = Ui.text(caption, 15, selected ? 0xFFFFFF : color);
		label.x = (w - label.width) / 2;
		label.y = (h - label.height) / 2;
		addChild(label);
	}
}
