import flash.display.GradientType;
import flash.display.Graphics;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.KeyboardEvent;
import flash.events.MouseEvent;
import flash.geom.Matrix;
import flash.text.TextField;
import Temple;
import Blocks;

/** The earth-god shrine: two crescent blocks thrown three times, with a tally. */
class Tudi extends Sprite {
	static inline var FloorY = 372;
	static inline var ThrowFrames = 54;

	var flames:Array<Flame> = [];
	var smoke:Smoke;
	var lanterns:Array<Sprite> = [];
	var blocks:Array<Block> = [];
	var throwButton:Button;
	var prompt:TextField;
	var resultTitle:TextField;
	var resultText:TextField;
	var slots:Array<Sprite> = [];
	var tally:Array<Outcome> = [];
	var frame = 0;
	var throwFrame = -1;
	var pending:Array<Face>;

	static function main() {
		flash.Lib.current.addChild(new Tudi());
	}

	public function new() {
		super();
		drawScene();
		for (i in 0...2) {
			var block = new Block(i == 0 ? 1 : -1);
			block.x = 440 + i * 90;
			block.y = FloorY + 38;
			block.rotation = i == 0 ? -18 : 14;
			block.show(i == 0 ? Flat : Round);
			block.buttonMode = true;
			block.addEventListener(MouseEvent.CLICK, function(_) throwBlocks());
			blocks.push(block);
			addChild(block);
		}
		drawPanel();
		// In flight the blocks pass in front of the reading panel.
		for (block in blocks)
			addChild(block);
		addEventListener(Event.ENTER_FRAME, onFrame);
		addEventListener(Event.ADDED_TO_STAGE, function(_) {
			stage.addEventListener(KeyboardEvent.KEY_DOWN, function(e:KeyboardEvent) {
				if (e.keyCode == 32 || e.keyCode == 13)
					throwBlocks();
			});
		});
	}

	function drawScene() {
		var g = graphics;
		Ui.verticalGradient(g, 0, 0, Ui.StageWidth, FloorY, 0x3A1C14, 0x8A4A2A);
		// Floor of square stone slabs.
		Ui.verticalGradient(g, 0, FloorY, Ui.StageWidth, Ui.StageHeight - FloorY, 0x7B6A55, 0x4E4235);
		g.lineStyle(1, 0x3A3128, 0.6);
		for (i in 0...5) {
			var y = FloorY + [0, 14, 32, 56, 88][i];
			g.moveTo(0, y);
			g.lineTo(Ui.StageWidth, y);
		}
		for (i in -8...17) {
			g.moveTo(337 + i * 40, FloorY);
			g.lineTo(337 + i * 80, Ui.StageHeight);
		}
		g.lineStyle();
		// Distant moon and clouds.
		g.beginFill(0xF3D9A0, 0.9);
		g.drawCircle(610, 62, 26);
		g.endFill();
		Ui.cloud(g, 560, 96, 1.6, 0xC98A5A);
		Ui.cloud(g, 640, 118, 1.2, 0xC98A5A);

		// The shrine: platform, pillars, alcove with the tablet, roof.
		var shrine = new Shape();
		var s = shrine.graphics;
		s.beginFill(0x5B4B3C);
		s.drawRect(30, FloorY - 26, 270, 26);
		s.endFill();
		s.beginFill(0x6E5C4A);
		s.drawRect(22, FloorY - 8, 286, 12);
		s.endFill();
		Ui.verticalGradient(s, 70, 128, 190, 218, 0x1E0E08, 0x3E2212);
		Temple.pillar(s, 50, 118, FloorY - 26, 20);
		Temple.pillar(s, 260, 118, FloorY - 26, 20);
		// Red tablet with gold border.
		s.lineStyle(3, 0xE0B04A);
		s.beginFill(0xA8221A);
		s.drawRoundRect(130, 140, 70, 118, 10, 10);
		s.endFill();
		s.lineStyle();
		s.beginFill(0xE0B04A);
		s.drawRect(120, 258, 90, 8);
		s.endFill();
		Temple.roof(s, 30, 300, 58, 126);
		// Offering table.
		Ui.verticalGradient(s, 62, 292, 206, 16, 0x8A2A1A, 0x5E1A10);
		s.beginFill(0x4A1A10);
		s.drawRect(74, 308, 10, 38);
		s.drawRect(246, 308, 10, 38);
		s.endFill();
		Temple.burner(s, 165, 292, 0.8);
		Temple.candle(s, 96, 292, 30);
		Temple.candle(s, 234, 292, 30);
		addChild(shrine);
		var word = Ui.centred("福", 44, 0xF6D77A, 165, 178);
		addChild(word);
		var word2 = Ui.text("土\n地", 18, 0xF6D77A, 24, "center");
		word2.x = 153;
		word2.y = 202;
		addChild(word2);
		for (x in [96, 234]) {
			var flame = new Flame(x, 292 - 48);
			flames.push(flame);
			addChild(flame);
		}
		smoke = new Smoke(165, 292 - 64);
		addChild(smoke);
		// Two lanterns under the eaves, swaying in the evening air.
		for (x in [18, 312]) {
			var lantern = new Sprite();
			var l = lantern.graphics;
			l.lineStyle(1.5, 0x2A1A10);
			l.moveTo(0, 0);
			l.lineTo(0, 22);
			l.lineStyle();
			var m = new Matrix();
			m.createGradientBox(36, 44, 0, -18, 22);
			l.beginGradientFill(GradientType.RADIAL, [0xFF7A4A, 0xC0261A], [1.0, 1.0], [0, 255], m);
			l.drawEllipse(-18, 22, 36, 44);
			l.endFill();
			l.beginFill(0xE0B04A);
			l.drawRect(-9, 19, 18, 5);
			l.drawRect(-9, 64, 18, 5);
			l.endFill();
			l.lineStyle(1, 0xE0B04A);
			l.moveTo(-4, 69);
			l.lineTo(-4, 84);
			l.moveTo(0, 69);
			l.lineTo(0, 86);
			l.moveTo(4, 69);
			l.lineTo(4, 84);
			l.lineStyle();
			lantern.x = x;
			lantern.y = 122;
			lanterns.push(lantern);
			addChild(lantern);
		}
	}

	function drawPanel() {
		var panel = new Sprite();
		Ui.paper(panel.graphics, 338, 16, 318, 300);
		addChild(panel);
		addChild(Ui.centred("土地圣杯", 30, 0x8C1C13, 497, 42));
		prompt = Ui.text("心中默念所问之事，点击地上的神杯或按空格键掷出。老规矩一事连掷三次。", 15, 0x4A3020, 282);
		prompt.x = 356;
		prompt.y = 64;
		addChild(prompt);
		// Three slots for the three throws.
		for (i in 0...3) {
			var slot = new Sprite();
			slot.x = 372 + i * 96;
			slot.y = 118;
			addChild(slot);
			slots.push(slot);
		}
		drawSlots();
		resultTitle = Ui.text("", 22, 0xA3271C, 282, "center");
		resultTitle.x = 356;
		resultTitle.y = 176;
		addChild(resultTitle);
		resultText = Ui.text("", 15, 0x3A2A1A, 282, "left", 2);
		resultText.x = 356;
		resultText.y = 206;
		addChild(resultText);
		throwButton = new Button("掷  杯", 120, 36, throwBlocks);
		throwButton.x = 540;
		throwButton.y = 328;
		addChild(throwButton);
		var odds = Ui.text("每掷一次：圣杯约占一半，\n笑杯、阴杯各约四分之一。", 12, 0xE8D2A8, 190);
		odds.x = 338;
		odds.y = 328;
		addChild(odds);
	}

	function drawSlots() {
		for (i in 0...3) {
			var slot = slots[i];
			while (slot.numChildren > 0)
				slot.removeChildAt(0);
			var g = slot.graphics;
			g.clear();
			g.lineStyle(1.5, 0xC9A25A);
			g.beginFill(i < tally.length ? 0xFBE9C4 : 0xF3EBDA);
			g.drawRoundRect(0, 0, 78, 48, 10, 10);
			g.endFill();
			g.lineStyle();
			var label = i < tally.length ? Blocks.outcomeName(tally[i]) : "第" + Numerals.chinese(i + 1) + "掷";
			var color = i < tally.length ? (tally[i] == Holy ? 0xA3271C : 0x5A4A3A) : 0xB0A080;
			var text = Ui.centred(label, i < tally.length ? 20 : 15, color, 39, 24);
			slot.addChild(text);
		}
	}

	function throwBlocks() {
		if (throwFrame >= 0)
			return;
		if (tally.length == 3) {
			tally = [];
			drawSlots();
		}
		pending = [Math.random() < 0.5 ? Flat : Round, Math.random() < 0.5 ? Flat : Round];
		throwFrame = 0;
		throwButton.enabled = false;
		resultTitle.text = "";
		resultText.text = "";
		for (i in 0...2)
			blocks[i].launch(blocks[i].x, blocks[i].y, 410 + i * 110 + Math.random() * 50, FloorY + 34 + Math.random() * 30,
				5 + i * 2 + Ui.pick(3), pending[i]);
	}

	function landed() {
		throwFrame = -1;
		var outcome = Blocks.outcomeOf(pending[0], pending[1]);
		tally.push(outcome);
		drawSlots();
		resultTitle.text = Blocks.outcomeName(outcome);
		var text = Blocks.meaning(outcome);
		if (tally.length == 3) {
			text += "\n\n" + Blocks.verdict(tally);
			throwButton.setCaption("重新请示");
		} else {
			throwButton.setCaption("再  掷");
		}
		resultText.text = text;
		throwButton.enabled = true;
	}

	function onFrame(_) {
		frame++;
		for (f in flames)
			f.update();
		smoke.update();
		for (i in 0...lanterns.length)
			lanterns[i].rotation = Math.sin(frame * 0.045 + i * 1.3) * 4;
		if (throwFrame >= 0) {
			throwFrame++;
			var t = throwFrame / ThrowFrames;
			for (b in blocks)
				b.fly(t);
			if (throwFrame >= ThrowFrames + 14)
				landed();
		} else {
			// Idle: the blocks glimmer to invite a throw.
			for (i in 0...blocks.length)
				blocks[i].glow(0.5 + 0.5 * Math.sin(frame * 0.08 + i * 1.6));
		}
	}
}

/** One crescent block, drawn from above; it shows either face and can tumble through the air. */
class Block extends Sprite {
	var body = new Shape();
	var shine = new Shape();
	var shadow = new Shape();
	var mirror:Int;
	var face:Face = Flat;
	var fromX = 0.0;
	var fromY = 0.0;
	var toX = 0.0;
	var toY = 0.0;
	var turns = 0;
	var finalFace:Face = Flat;
	var startRotation = 0.0;

	public function new(mirror:Int) {
		super();
		this.mirror = mirror;
		var s = shadow.graphics;
		s.beginFill(0x000000, 0.28);
		s.drawEllipse(-44, -12, 88, 24);
		s.endFill();
		addChild(shadow);
		addChild(body);
		addChild(shine);
		mouseChildren = false;
	}

	public function show(newFace:Face) {
		face = newFace;
		var g = body.graphics;
		g.clear();
		var m = new Matrix();
		m.createGradientBox(90, 50, 0, -45, -34);
		if (face == Flat) {
			// The flat face: a plain lacquered surface with a bevelled rim.
			g.lineStyle(2, 0x5A120C);
			g.beginGradientFill(GradientType.LINEAR, [0xD04A34, 0xB8331F], [1.0, 1.0], [0, 255], m);
		} else {
			// The rounded back: darker, with a bright highlight along the curve.
			g.lineStyle(2, 0x3E0A06);
			g.beginGradientFill(GradientType.RADIAL, [0xE0644C, 0x8A1A10, 0x5A0E08], [1.0, 1.0, 1.0], [0, 150, 255], m);
		}
		crescent(g, 1.0);
		g.endFill();
		if (face == Flat) {
			g.lineStyle(1, 0xF09070, 0.8);
			crescent(g, 0.78);
			g.lineStyle();
		} else {
			g.lineStyle();
			g.beginFill(0xFFE0D0, 0.55);
			g.drawEllipse(-20 * mirror - 8, -26, 26, 8);
			g.endFill();
		}
		body.scaleX = mirror;
	}

	/** The crescent outline, horns pointing down, scaled towards its middle. */
	static function crescent(g:Graphics, s:Float) {
		g.moveTo(-44 * s, 6 * s);
		g.curveTo(-40 * s, -34 * s, 0, -34 * s);
		g.curveTo(40 * s, -34 * s, 44 * s, 6 * s);
		g.curveTo(30 * s, -10 * s, 0, -12 * s);
		g.curveTo(-30 * s, -10 * s, -44 * s, 6 * s);
	}

	public function glow(amount:Float) {
		var g = shine.graphics;
		g.clear();
		g.beginFill(0xFFF0B0, 0.12 * amount);
		g.drawEllipse(-52, -44, 104, 60);
		g.endFill();
	}

	public function launch(x0:Float, y0:Float, x1:Float, y1:Float, halfTurns:Int, landing:Face) {
		fromX = x0;
		fromY = y0;
		toX = x1;
		toY = y1;
		turns = halfTurns;
		finalFace = landing;
		startRotation = Math.random() * 60 - 30;
		shine.graphics.clear();
		shadow.visible = false;
	}

	/** The block at time t of its flight (0 at the throw, 1 on landing, then a short bounce). */
	public function fly(t:Float) {
		if (t <= 1) {
			x = fromX + (toX - fromX) * t;
			y = fromY + (toY - fromY) * t - Math.sin(t * Math.PI) * 230;
			rotation = startRotation + t * 540 * mirror;
			// Tumbling: the block turns over `turns` times; the face shown
			// alternates each half turn and ends on the face it lands on.
			var phase = t * turns * Math.PI;
			var flips = Std.int(t * turns);
			var shown = ((turns - flips) % 2 == 0) ? finalFace : (finalFace == Flat ? Round : Flat);
			if (shown != face)
				show(shown);
			scaleY = Math.max(0.08, Math.abs(Math.cos(phase)));
			scaleX = 1;
		} else {
			var b = t - 1;
			x = toX;
			y = toY - Math.abs(Math.sin(b * 11)) * 14 * Math.max(0, 1 - b * 4);
			scaleY = 1;
			// The shadow keeps lying flat on the floor whatever way the block points.
			// It lies under the middle of the crescent, which sits 14 px from the
			// block's pivot, a little towards the viewer.
			var r = rotation * Math.PI / 180;
			shadow.visible = true;
			shadow.rotation = -rotation;
			shadow.x = 6 * Math.sin(r);
			shadow.y = -14 + 6 * Math.cos(r);
			if (face != finalFace)
				show(finalFace);
		}
	}
}
